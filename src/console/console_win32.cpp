// console_win32.cpp: the console window (see console.h), its window and sizing: window class "gint",
// the off-screen page, opening, resizing and closing the window, the title, the scroll bars that follow
// the window's size and the snapping back to the full size after the user's move or resize, drawing on
// the page and the screen, and the record's getters. The scroll requests, the window procedure with its
// event cells, the clipboard and the cursors live in console_scroll_win32.cpp, console_proc_win32.cpp,
// console_clipboard_win32.cpp and console_cursors_win32.cpp; the records they share are declared in
// console_internal_win32.h.
//
// Records: con (the console record), one for the program: written by the console_* procedures and, for
// the scroll, size and modifier state, by the window procedure. The cursor table, the title and the
// background colour outlive the window.
// Limits: a page of 1 to 32,767 pixels a side; a title of 255 bytes.
//
// Sections (search for "// ==== "): Records, Page, Window lifetime, Sizing, Drawing, Getters.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "console/console.h"
#include "console/console_internal_win32.h"
#include "text/encoding.h"

// ==== Records ==========================================================================================

static const char CON_CLASS[] = "gint";
constexpr DWORD CON_STYLE = WS_OVERLAPPEDWINDOW | WS_HSCROLL | WS_VSCROLL;
constexpr int CON_MAX_SIDE = 32767;  // mouse coordinates arrive as 16-bit words

ConsoleRecord con;

static COLORREF con_rgb(const int32_t c[3]) { return RGB(c[0], c[1], c[2]); }

// ==== Page =============================================================================================

static void con_page_clear(ConsolePage* p) {
  HBRUSH brush = CreateSolidBrush(con_rgb(con.background));
  RECT r = {0, 0, con.page_w, con.page_h};
  FillRect(p->dc, &r, brush);
  DeleteObject(brush);
}

// Gives p a new page bitmap of the current page size (and a context when it has none), cleared.
static void con_page_make(ConsolePage* p) {
  if (p->dc == nullptr) {
    p->dc = CreateCompatibleDC(con.dc);
    p->old = nullptr;
  }
  p->bitmap = CreateCompatibleBitmap(con.dc, con.page_w, con.page_h);
  HGDIOBJ old = SelectObject(p->dc, p->bitmap);
  if (p->old == nullptr) p->old = old;
  con_page_clear(p);
}

static void con_page_drop_bitmap(ConsolePage* p) {
  if (p->dc && p->old) SelectObject(p->dc, p->old);
  if (p->bitmap) DeleteObject(p->bitmap);
  p->bitmap = nullptr;
}

static void con_page_delete(ConsolePage* p) {
  con_page_drop_bitmap(p);
  if (p->dc) DeleteDC(p->dc);
  p->dc = nullptr;
  p->old = nullptr;
}

// Copies the page to the display context over the paint record's rectangle, enlarged to at least the
// client size, from the scroll position on.
void con_show_page(HWND hwnd) {
  if (con.dc == nullptr || con.page.bitmap == nullptr) return;
  RECT client;
  GetClientRect(hwnd, &client);
  const RECT& pr = con.paint.rcPaint;
  int w = pr.right - pr.left, h = pr.bottom - pr.top;
  if (w < client.right) w = client.right;
  if (h < client.bottom) h = client.bottom;
  con.busy++;
  BitBlt(con.dc, pr.left, pr.top, w, h, con.page.dc, pr.left + con.scroll_x, pr.top + con.scroll_y, SRCCOPY);
  con.busy--;
}

// ==== Window lifetime ==================================================================================

static RECT con_work_area() {
  RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

// The outer size for the current page size, cut to the work area; true when a side was cut.
static bool con_outer_size(const RECT& work, int* ow, int* oh) {
  RECT r = {0, 0, con.page_w, con.page_h};
  AdjustWindowRect(&r, CON_STYLE, FALSE);
  int w = r.right - r.left, h = r.bottom - r.top;
  bool cut = false;
  if (w >= work.right - work.left) {
    w = work.right - work.left;
    cut = true;
  }
  if (h >= work.bottom - work.top) {
    h = work.bottom - work.top;
    cut = true;
  }
  *ow = w;
  *oh = h;
  return cut;
}

// The full sizes for outer size (ow, oh). The full sizes plus a bar are cut to the work area too, so that
// a window given room for its bar never reaches past the work area.
static void con_store_sizes(const RECT& work, int ow, int oh) {
  con.full_w = ow;
  con.full_h = oh;
  con.full_w_bar = ow + GetSystemMetrics(SM_CXVSCROLL);
  con.full_h_bar = oh + GetSystemMetrics(SM_CYHSCROLL);
  if (con.full_w_bar > work.right - work.left) con.full_w_bar = work.right - work.left;
  if (con.full_h_bar > work.bottom - work.top) con.full_h_bar = work.bottom - work.top;
  con.needed_w = con.page_w + GetSystemMetrics(SM_CXVSCROLL);
  con.needed_h = con.page_h + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYHSCROLL);
}

static void con_store_title(const char* text) {
  std::snprintf(con.title, sizeof con.title, "%s", text ? text : "");
  cut_broken_tail(con.title);
}

// Takes the display context that all direct screen drawing uses, giving back the one held before. The
// context of BeginPaint draws only within the update region it was taken for, so the whole client area
// is made the update region first, and the context is taken again whenever the page size (and with it
// the client area) changes.
static void con_take_dc() {
  if (con.dc != nullptr) EndPaint(con.window, &con.paint);
  InvalidateRect(con.window, nullptr, FALSE);
  con.dc = BeginPaint(con.window, &con.paint);
}

int console_open(int w, int h, const char* title) {
  if (con.state != CONSOLE_CLOSED) return -1;
  con.screen_w = GetSystemMetrics(SM_CXSCREEN);
  con.screen_h = GetSystemMetrics(SM_CYSCREEN);
  w = con_clamp(w, 1, CON_MAX_SIDE);
  h = con_clamp(h, 1, CON_MAX_SIDE);

  HINSTANCE inst = con_instance();
  WNDCLASSA wc;
  std::memset(&wc, 0, sizeof wc);
  wc.style = 0;
  wc.lpfnWndProc = con_proc;
  wc.hInstance = inst;
  wc.hIcon = LoadIconA(inst, MAKEINTRESOURCEA(128));
  wc.hCursor = con.cursor_count > 0 ? con.cursors[0] : nullptr;
  con.class_brush = CreateSolidBrush(con_rgb(con.background));
  wc.hbrBackground = con.class_brush;
  wc.lpszClassName = CON_CLASS;
  if (RegisterClassA(&wc) == 0) {
    DeleteObject(con.class_brush);
    con.class_brush = nullptr;
    return -1;
  }

  con.state = CONSOLE_OPEN;
  con_events_open();
  con.maximised = 0;
  con.press_cursor = 0;
  con.normal_cursor = 0;
  con.cursor_guard = 0;
  con.line_step = 2;
  con.page_w = w;
  con.page_h = h;

  RECT work = con_work_area();
  int ow, oh;
  bool cut = con_outer_size(work, &ow, &oh);
  int x = cut ? work.left : CW_USEDEFAULT, y = cut ? work.top : CW_USEDEFAULT;
  con_store_sizes(work, ow, oh);
  con_store_title(title);
  con.busy = 0;

  HWND hwnd = CreateWindowExA(0, CON_CLASS, con.title, CON_STYLE, x, y, ow, oh, nullptr, nullptr, inst, nullptr);
  if (hwnd == nullptr) {
    UnregisterClassA(CON_CLASS, inst);
    DeleteObject(con.class_brush);
    con.class_brush = nullptr;
    con.state = CONSOLE_CLOSED;
    return -1;
  }
  con.window = hwnd;
  SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ShowWindow(hwnd, SW_SHOWDEFAULT);
  DragAcceptFiles(hwnd, TRUE);
  // A page larger than the client area (one cut to the work area) is scrollable from the start.
  con_on_size(hwnd);

  con_take_dc();

  con_page_make(&con.page);
  FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
  return 0;
}

// Before its final sizing, console_resize lets a move, scroll or page copy of the window procedure end:
// it waits while the busy count is up, at most CON_BUSY_WAITS times CON_BUSY_WAIT_MS.
constexpr int CON_BUSY_WAITS = 20;
constexpr DWORD CON_BUSY_WAIT_MS = 50;

int console_resize(int w, int h, const char* title) {
  if (con.state == CONSOLE_CLOSED) return -1;
  con.state = CONSOLE_BUSY;
  w = con_clamp(w, 1, CON_MAX_SIDE);
  h = con_clamp(h, 1, CON_MAX_SIDE);

  // A new page bitmap in the page's context.
  con_page_drop_bitmap(&con.page);
  con.page_w = w;
  con.page_h = h;
  con_page_make(&con.page);

  RECT wr;
  GetWindowRect(con.window, &wr);
  int old_w = wr.right - wr.left, old_h = wr.bottom - wr.top;
  int old_range_x = con.range_x, old_range_y = con.range_y;

  con.state = CONSOLE_OPEN;

  RECT work = con_work_area();
  int ow, oh;
  bool move = con_outer_size(work, &ow, &oh);
  if (wr.left + ow <= work.left + 4 || wr.top + oh <= work.top + 4) move = true;
  con_store_sizes(work, ow, oh);
  console_set_title(title);
  con.line_repeat = 0;

  // The new page shows from its top-left corner; the bars follow the new size below.
  con.range_x = con.range_y = 0;
  con.scroll_x = con.scroll_y = 0;

  if (move) {
    SetWindowPos(con.window, HWND_NOTOPMOST, work.left, work.top, con.full_w, con.full_h, 0);
  } else {
    if (old_range_x > 0 && old_range_y > 0 && old_w < con.full_w_bar && old_h < con.full_h_bar) {
      SetWindowPos(con.window, nullptr, 0, 0, con.full_w_bar, con.full_h_bar, SWP_NOMOVE | SWP_NOZORDER);
      for (int i = 0; i < CON_BUSY_WAITS && con.busy > 0; i++) Sleep(CON_BUSY_WAIT_MS);
    }
    SetWindowPos(con.window, HWND_NOTOPMOST, 0, 0, con.full_w, con.full_h, SWP_NOMOVE);
  }
  // The window may keep its outer size (and get no WM_SIZE): the bars are set for the new page here.
  con_on_size(con.window);
  con_take_dc();
  return 0;
}

int console_close() {
  if (con.state == CONSOLE_CLOSED) return 1;
  DragAcceptFiles(con.window, FALSE);
  con.state = CONSOLE_BUSY;
  con_page_delete(&con.page);
  EndPaint(con.window, &con.paint);
  con.dc = nullptr;
  DestroyWindow(con.window);
  con.window = nullptr;
  UnregisterClassA(CON_CLASS, con_instance());
  if (con.class_brush) DeleteObject(con.class_brush);
  con.class_brush = nullptr;
  con.state = CONSOLE_CLOSED;
  return 0;
}

int console_drop_topmost() {
  if (con.window == nullptr) return 0;
  return SetWindowPos(con.window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE) ? 1 : 0;
}

int console_set_title(const char* text) {
  if (text == nullptr) text = "";
  if (std::strcmp(text, con.title) == 0) return 0;
  con_store_title(text);
  if (con.window) SetWindowTextA(con.window, con.title);
  return 1;
}

// ==== Sizing ===========================================================================================

// The client extents the window would have without scroll bars: the client rectangle plus the bars it
// shows now. It does not depend on which bars are shown, so every pass of con_on_size starts from the
// same numbers.
static void con_bare_client(HWND hwnd, int* w, int* h) {
  RECT c = {0, 0, 0, 0};
  GetClientRect(hwnd, &c);
  LONG style = GetWindowLongA(hwnd, GWL_STYLE);
  *w = c.right + ((style & WS_VSCROLL) ? GetSystemMetrics(SM_CXVSCROLL) : 0);
  *h = c.bottom + ((style & WS_HSCROLL) ? GetSystemMetrics(SM_CYHSCROLL) : 0);
}

// One axis of con_on_size: a range above 0 shows the bar, with the scroll position cut to the range; a
// range of 0 hides it and brings the view back to 0. A view that moved here (cut, or sent back to 0 by
// the end of a resize) is painted again whole.
static void con_size_axis(HWND hwnd, int bar_kind, int range, int32_t* range_cell, int32_t* scroll) {
  int drawn = GetScrollPos(hwnd, bar_kind);  // where the view was last scrolled to
  *range_cell = range;
  if (range == 0) *scroll = 0;
  else if (*scroll > range) *scroll = range;
  SetScrollRange(hwnd, bar_kind, 0, range, FALSE);
  ShowScrollBar(hwnd, bar_kind, range > 0);
  SetScrollPos(hwnd, bar_kind, *scroll, range > 0);
  if (drawn != *scroll) InvalidateRect(hwnd, nullptr, FALSE);
}

// WM_SIZE, and the end of console_open and console_resize: each axis along which the page is larger than
// the client area gets the difference as its range and shows its bar; the others hide theirs. A bar takes
// room from the other axis (the vertical bar narrows the client area, the horizontal bar shortens it), so
// the needs are settled on the extents without bars, and each bar may bring in the other: two rounds
// settle the two flags. Showing or hiding a bar changes the client area and sends a nested WM_SIZE, which
// the sizing flag turns away. The outcome is checked against the client rectangle and worked out once
// more when it differs (a window too small to give its bars their room); two passes at most. A minimised
// window keeps its ranges until it is restored.
void con_on_size(HWND hwnd) {
  if (con.state != CONSOLE_OPEN || con.sizing || con.page_w <= 0 || IsIconic(hwnd)) return;
  con.sizing = 1;
  int vbar = GetSystemMetrics(SM_CXVSCROLL), hbar = GetSystemMetrics(SM_CYHSCROLL);
  for (int pass = 0; pass < 2; pass++) {
    int bw, bh;
    con_bare_client(hwnd, &bw, &bh);
    bool need_x = con.page_w > bw, need_y = con.page_h > bh;
    for (int round = 0; round < 2; round++) {
      if (need_y && con.page_w > bw - vbar) need_x = true;
      if (need_x && con.page_h > bh - hbar) need_y = true;
    }
    int cw = need_y ? bw - vbar : bw, ch = need_x ? bh - hbar : bh;
    if (cw < 0) cw = 0;
    if (ch < 0) ch = 0;
    con_size_axis(hwnd, SB_HORZ, need_x ? con.page_w - cw : 0, &con.range_x, &con.scroll_x);
    con_size_axis(hwnd, SB_VERT, need_y ? con.page_h - ch : 0, &con.range_y, &con.scroll_y);
    RECT c;
    if (!GetClientRect(hwnd, &c) || (c.right == cw && c.bottom == ch)) break;
  }
  con.sizing = 0;
}

// Marks an axis as shown whole after the end of a resize sized the window for it: the view goes back to
// 0. The WM_SIZE that follows sets the range the new size leaves (the strip a remaining bar covers).
static void con_bar_off(int axis) {
  if (axis == 0) {
    con.scroll_x = 0;
    con.range_x = 0;
  } else {
    con.scroll_y = 0;
    con.range_y = 0;
  }
}

// WM_EXITSIZEMOVE: snaps the window back to the full size along every axis the user opened far enough.
// A window given the full width or height plus a bar keeps that bar on the work area: it moves back
// from the work area's right or bottom edge as far as needed.
void con_on_exit_size_move(HWND hwnd) {
  RECT wr;
  GetWindowRect(hwnd, &wr);
  int ww = wr.right - wr.left, wh = wr.bottom - wr.top;
  int nw = ww, nh = wh;
  bool room_w = false, room_h = false;  // sized to the full width / height plus a bar
  int caption = GetSystemMetrics(SM_CYCAPTION);
  if (con.range_x > 0 && con.range_y > 0) {
    if (ww >= con.needed_w) {
      nw = con.full_w;
      con_bar_off(0);
      if (wh >= caption + con.page_h) {
        nh = con.full_h;
        con_bar_off(1);
      }
    }
    if (wh >= con.needed_h) {
      nh = con.full_h;
      con_bar_off(1);
      if (ww >= con.page_w) {
        nw = con.full_w;
        con_bar_off(0);
      }
    }
  } else if (con.range_x > 0) {
    nh = con.full_h_bar;
    room_h = true;
    if (ww >= con.page_w) {
      nw = con.full_w;
      nh = con.full_h;
      room_h = false;
      con_bar_off(0);
    }
  } else if (con.range_y > 0) {
    nw = con.full_w_bar;
    room_w = true;
    if (wh >= caption + con.page_h) {
      nw = con.full_w;
      nh = con.full_h;
      room_w = false;
      con_bar_off(1);
    }
  } else {
    nw = con.full_w;
    nh = con.full_h;
  }
  RECT work = con_work_area();
  int x = room_w ? con_clamp(wr.left, work.left, work.right - nw) : wr.left;
  int y = room_h ? con_clamp(wr.top, work.top, work.bottom - nh) : wr.top;
  UINT flags = x == wr.left && y == wr.top ? SWP_NOMOVE : 0;
  con.busy++;
  SetWindowPos(hwnd, HWND_NOTOPMOST, x, y, nw, nh, flags);
  con.busy--;
  // An unchanged size sends no WM_SIZE; the bars still follow what the snapping turned off.
  con_on_size(hwnd);
}

// ==== Drawing ==========================================================================================

static bool con_on_page(int target) { return target <= 0; }
static bool con_on_screen(int target) { return target >= 0 && con.dc; }

void console_fill_rect(int target, int x0, int y0, int x1, int y1, int r, int g, int b) {
  if (con.state == CONSOLE_CLOSED || con.page.bitmap == nullptr) return;
  HBRUSH brush = CreateSolidBrush(RGB(r & 0xFF, g & 0xFF, b & 0xFF));
  RECT rc = {x0, y0, x1 + 1, y1 + 1};
  if (con_on_page(target)) FillRect(con.page.dc, &rc, brush);
  if (con_on_screen(target)) {
    RECT sc = {x0 - con.scroll_x, y0 - con.scroll_y, x1 + 1 - con.scroll_x, y1 + 1 - con.scroll_y};
    FillRect(con.dc, &sc, brush);
  }
  DeleteObject(brush);
}

int console_draw_pixels(int target, int x, int y, int w, int h, const uint8_t* pixels) {
  if (con.state == CONSOLE_CLOSED || con.page.bitmap == nullptr || pixels == nullptr || w <= 0 || h <= 0) return 1;
  BITMAPINFO bi;
  std::memset(&bi, 0, sizeof bi);
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;  // rows from the top
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  constexpr int CON_NOT_DRAWN = -2;  // no drawing call made (a drawing call gives 0 or a row count)
  int last = CON_NOT_DRAWN;
  if (con_on_page(target)) {
    last = SetDIBitsToDevice(con.page.dc, x, y, w, h, 0, 0, 0, h, pixels, &bi, DIB_RGB_COLORS);
  }
  if (con_on_screen(target)) {
    int sx = x - con.scroll_x, sy = y - con.scroll_y;
    int sw = w, sh = h;
    const uint8_t* p = pixels;
    if (sh > con.screen_h - sy) sh = con.screen_h - sy;
    if (h == 1) {
      if (sw > con.screen_w - sx) sw = con.screen_w - sx;
      if (sx < 0) {
        p += 3 * (size_t)(-sx);
        sw += sx;
        sx = 0;
      }
    }
    if (sw > 0 && sh > 0) {
      bi.bmiHeader.biWidth = sw;
      bi.bmiHeader.biHeight = -sh;
      // A cut one-row block keeps its row; a cut taller block keeps the full row stride (biWidth = w).
      if (h != 1) bi.bmiHeader.biWidth = w;
      last = SetDIBitsToDevice(con.dc, sx, sy, sw, sh, 0, 0, 0, sh, p, &bi, DIB_RGB_COLORS);
    }
  }
  if (last == CON_NOT_DRAWN) return 1;
  return last == 0 ? -1 : 0;
}

int console_read_pixel(uint8_t out[3], int x, int y) {
  out[0] = out[1] = out[2] = 0;
  if (con.page.bitmap == nullptr) return -1;
  COLORREF c = GetPixel(con.page.dc, x, y);
  if (c == CLR_INVALID) return 0;
  out[0] = GetRValue(c);
  out[1] = GetGValue(c);
  out[2] = GetBValue(c);
  return 0;
}

// ==== Getters ==========================================================================================

int console_page_width() { return con.page_w; }
int console_page_height() { return con.page_h; }
int console_state() { return con.state; }
HWND__* console_handle() { return con.state == CONSOLE_CLOSED ? nullptr : con.window; }

void console_set_background(int r, int g, int b) {
  con.background[0] = r & 0xFF;
  con.background[1] = g & 0xFF;
  con.background[2] = b & 0xFF;
}

