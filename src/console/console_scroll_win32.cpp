// console_scroll_win32.cpp: scrolling and panning the console window's view of its page (see
// console.h): the display loop's pans (console_scroll_to_x, console_scroll_to_y) and the window
// procedure's scroll requests (scroll bars, with line steps that accelerate while the mouse stays still,
// and the mouse wheel).
//
// Records: the scroll state of con (console_internal_win32.h): the offsets, written here; the ranges,
// set by the sizing (console_win32.cpp) and read here; the line-step count, written here and cleared by
// the window procedure when the mouse moves over the window.
// Trust: a scroll request is cut to 0 to the axis's range, whatever the message says.
#include <windows.h>

#include "console/console.h"
#include "console/console_internal_win32.h"

// Moves one axis (0 x, 1 y) to pos, cut to 0 to its range. With client set, the scroll and clip
// rectangles are the client rectangle (the window procedure's scrolls); without, none.
static void con_scroll_axis(HWND hwnd, int axis, int pos, bool client) {
  int32_t* offset = axis == 0 ? &con.scroll_x : &con.scroll_y;
  int range = axis == 0 ? con.range_x : con.range_y;
  pos = con_clamp(pos, 0, range < 0 ? 0 : range);
  if (pos == *offset) return;
  int delta = *offset - pos;
  con.busy++;
  if (client) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    ScrollWindow(hwnd, axis == 0 ? delta : 0, axis == 0 ? 0 : delta, &rc, &rc);
  } else {
    ScrollWindow(hwnd, axis == 0 ? delta : 0, axis == 0 ? 0 : delta, nullptr, nullptr);
  }
  con.busy--;
  SetScrollPos(hwnd, axis == 0 ? SB_HORZ : SB_VERT, pos, TRUE);
  *offset = pos;
}

int console_scroll_to_x(int position) {
  if (con.window) con_scroll_axis(con.window, 0, position, false);
  return 0;
}

int console_scroll_to_y(int position) {
  if (con.window) con_scroll_axis(con.window, 1, position, false);
  return 0;
}

// WM_HSCROLL / WM_VSCROLL. Line steps accelerate while the mouse stays still: the line step up to the 9th
// step in a row, then one pixel more each step, at most a tenth of the range.
void con_on_scroll(HWND hwnd, int axis, WPARAM wp) {
  int offset = axis == 0 ? con.scroll_x : con.scroll_y;
  int range = axis == 0 ? con.range_x : con.range_y;
  int pos;
  switch (LOWORD(wp)) {
    case SB_LINELEFT:  // SB_LINEUP
    case SB_LINERIGHT: {  // SB_LINEDOWN
      if (con.line_repeat < 1000000) con.line_repeat++;
      int step;
      if (con.line_repeat < 10) {
        step = con.line_step < 1 ? 1 : con.line_step;
      } else {
        step = con.line_step - 1 + con.line_repeat - 8;
        if (step < 1) step = 1;
        if (step > range / 10) step = range / 10;
      }
      pos = LOWORD(wp) == SB_LINELEFT ? offset - step : offset + step;
      break;
    }
    case SB_PAGELEFT: pos = offset - range / 10; break;
    case SB_PAGERIGHT: pos = offset + range / 10; break;
    case SB_THUMBPOSITION: pos = HIWORD(wp); break;
    default: return;
  }
  con_scroll_axis(hwnd, axis, pos, true);
}

// WM_MOUSEWHEEL: a notch (a delta of 120) moves the view 120 pixels.
void con_on_wheel(HWND hwnd, WPARAM wp) {
  int delta = (short)HIWORD(wp);
  con_scroll_axis(hwnd, 1, con.scroll_y - delta, true);
}

int console_scroll_x() { return con.scroll_x; }
int console_scroll_y() { return con.scroll_y; }
