// console_win32.cpp: the console window (see console.h): window class "gint", the off-screen page,
// the window procedure with its event cells, scrolling, sizing, cursors, the clipboard copy of a
// clicked position or colour, and dropped files.
//
// Records: con (the console record) and ev (the event record), one each for the program. con is written
// by the console_* procedures and, for the scroll and size state, by the window procedure; ev is
// written only by the window procedure and cleared in part by console_open. The cursor table, the
// title and the background colour outlive the window.
// Limits: a page of 1 to 32,767 pixels a side; a title of 255 bytes; dropped names of 259 units or bytes
// (a longer name is skipped); the hand cursor's planes are 32 x 32.
// Trust: messages come from the system and from other programs alike; coordinates are taken as the
// unsigned words the platform defines, scroll requests are cut to the range, dropped names are fetched
// by length first.
//
// Sections (search for "// ==== "):
//   Records, Cursors, Page, Window lifetime, Scrolling, Clipboard, Dropped files, Window procedure,
//   Drawing, Getters.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console/console.h"
#include "text/encoding.h"

// ==== Records ==========================================================================================

static const char CON_CLASS[] = "gint";
constexpr DWORD CON_STYLE = WS_OVERLAPPEDWINDOW | WS_HSCROLL | WS_VSCROLL;
constexpr int CON_MAX_SIDE = 32767;  // mouse coordinates arrive as 16-bit words

struct ConsolePage {
  HDC dc;          // memory context, kept across resizes
  HBITMAP bitmap;  // compatible bitmap of the page size, selected into dc
  HGDIOBJ old;     // the context's original bitmap, selected back before the page bitmap is deleted
};

struct ConsoleRecord {
  int32_t state;  // CONSOLE_CLOSED, CONSOLE_OPEN, or CONSOLE_BUSY while closing or resizing
  HWND window;
  HDC dc;         // the window's display context, taken by BeginPaint at opening, given back at closing
  PAINTSTRUCT paint;
  ConsolePage page;                // its bitmap exists while a window is open
  int32_t page_w, page_h;          // the client size asked for; the page has this size
  int32_t full_w, full_h;          // outer size that shows the whole page, clamped to the work area
  int32_t full_w_bar, full_h_bar;  // full sizes plus a scroll bar, cut to the work area
  int32_t needed_w, needed_h;      // page plus bar (and caption) sizes
  int32_t scroll_x, scroll_y;      // client (x, y) shows page (x + scroll_x, y + scroll_y)
  int32_t range_x, range_y;        // largest scroll offsets, never below 0; above 0 exactly when the bar shows
  int32_t sizing;                  // raised while con_on_size sets the bars (their nested WM_SIZE is turned away)
  int32_t maximised;
  int32_t line_repeat;             // line-scroll steps since the mouse last moved over the window
  int32_t line_step;               // base line-scroll step in pixels
  char title[CONSOLE_TITLE_BYTES];
  int32_t background[3];           // red, green, blue
  HCURSOR cursors[CONSOLE_CURSORS];
  int32_t cursor_count;
  int32_t first_own;               // first index of the program's own cursors
  int32_t press_cursor, normal_cursor;
  int32_t cursor_guard;
  int32_t busy;                    // raised around moves, scrolls and page copies in the procedure
  int32_t screen_w, screen_h;      // clip for direct screen drawing
  HBRUSH class_brush;
  uint8_t shift_down, control_down;  // the window's own modifier flags (WM_KEYDOWN / WM_KEYUP)
};
static ConsoleRecord con;

// The event record: its int cells hold 0 or CONSOLE_RAISED, its byte cells 0 or CON_SET.
constexpr uint8_t CON_SET = 0xFF;

struct ConsoleEvents {
  int32_t key;
  int32_t left_pressed, left_held, dragging;
  int32_t press_x, press_y;
  int32_t drag_moved, drag_x, drag_y;
  int32_t left_up, left_released;
  int32_t resized;
  uint8_t close_requested;
  uint8_t files_dropped;
  char dropped[CONSOLE_PATH_UNITS];
  char16_t dropped_w[CONSOLE_PATH_UNITS];
};
static ConsoleEvents ev;

static HINSTANCE con_instance() { return GetModuleHandleA(nullptr); }
static COLORREF con_rgb(const int32_t c[3]) { return RGB(c[0], c[1], c[2]); }
static int con_clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// ==== Cursors ==========================================================================================

// The program's own cursor: an open hand, black outline, white inside, transparent elsewhere, within the
// top-left 18 x 20 pixels of a 32 x 32 cursor; hot spot (10, 10) in the palm.
static const char* const HAND_ART[20] = {
    "........XX........",  //
    "....XX.XooXXX.....",  //
    "...XooXXooXooX....",  //
    "...XooXXooXooX.XX.",  //
    "....XooXooXooXXooX",  //
    "....XooXooXooXooX.",  //
    "..XX.XooooooooooX.",  //
    ".XooXXoooooooooX..",  //
    ".XoooXoooooooooX..",  //
    "..XooooooooooooX..",  //
    "...XoooooooooooX..",  //
    "...XooooooooooX...",  //
    "....XoooooooooX...",  //
    "....XoooooooooX...",  //
    ".....XoooooooX....",  //
    ".....XoooooooX....",  //
    ".....XXXXXXXXX....",  //
    "..................",  //
    "..................",  //
    "..................",  //
};
constexpr int HAND_SIDE = 32;
constexpr int HAND_PLANE = HAND_SIDE * HAND_SIDE / 8;  // 128 bytes, 4 a row, most significant bit first

// AND plane: 1 keeps the screen (transparent), 0 paints. XOR plane (where AND is 0): 0 black, 1 white.
static void con_hand_planes(uint8_t and_plane[HAND_PLANE], uint8_t xor_plane[HAND_PLANE]) {
  std::memset(and_plane, 0xFF, HAND_PLANE);
  std::memset(xor_plane, 0, HAND_PLANE);
  for (int y = 0; y < 20; y++) {
    for (int x = 0; x < 18; x++) {
      char c = HAND_ART[y][x];
      int byte = y * (HAND_SIDE / 8) + x / 8;
      uint8_t bit = (uint8_t)(0x80 >> (x % 8));
      if (c == '.') continue;
      and_plane[byte] &= (uint8_t)~bit;
      if (c == 'o') xor_plane[byte] |= bit;
    }
  }
}

static void con_destroy_own_cursors() {
  for (int i = con.first_own; i < con.cursor_count; i++) {
    if (con.cursors[i]) DestroyCursor(con.cursors[i]);
    con.cursors[i] = nullptr;
  }
  con.cursor_count = con.first_own;
}

int console_load_cursors() {
  static const LPCSTR system_ids[8] = {IDC_ARROW, IDC_CROSS, IDC_WAIT,   IDC_NO,
                                       IDC_SIZEALL, IDC_SIZENWSE, IDC_SIZENS, IDC_SIZEWE};
  static bool exit_registered = false;
  if (con.cursor_count == CONSOLE_CURSORS) return 0;
  con.cursor_count = 0;
  con.first_own = 8;
  for (int i = 0; i < 8; i++) {
    HCURSOR c = LoadCursorA(nullptr, system_ids[i]);
    if (c == nullptr) return -1;
    con.cursors[i] = c;
    con.cursor_count = i + 1;
  }
  // The planes are 32 x 32; the cursor is made at that size whatever SM_CXCURSOR says, so that the
  // system never reads past them (it scales the cursor where its own size differs).
  uint8_t and_plane[HAND_PLANE], xor_plane[HAND_PLANE];
  con_hand_planes(and_plane, xor_plane);
  HCURSOR hand = CreateCursor(con_instance(), 10, 10, HAND_SIDE, HAND_SIDE, and_plane, xor_plane);
  if (hand == nullptr) return -1;
  con.cursors[CONSOLE_HAND_CURSOR] = hand;
  con.cursor_count = CONSOLE_CURSORS;
  if (!exit_registered) {
    exit_registered = true;
    std::atexit(con_destroy_own_cursors);
  }
  return 0;
}

int console_apply_cursor(int index) {
  if (con.window == nullptr) return -1;
  if (con.cursor_guard) return 1;
  con.cursor_guard = 1;
  int result = -1;
  if (index >= 0 && index < con.cursor_count && con.cursors[index] != nullptr) {
    // SetClassLongA returns the previous cursor, which may be none: the error code tells failure.
    SetLastError(0);
    DWORD previous = SetClassLongA(con.window, GCL_HCURSOR, (LONG)(LONG_PTR)con.cursors[index]);
    if (previous != 0 || GetLastError() == 0) {
      SetCursor(con.cursors[index]);
      result = 0;
    }
  }
  con.cursor_guard = 0;
  return result;
}

void console_set_press_cursor(int index) { con.press_cursor = index; }

int console_set_normal_cursor(int index) {
  if (index == con.normal_cursor) return 0;
  con.normal_cursor = index;
  return console_apply_cursor(index);
}

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
static void con_show_page(HWND hwnd) {
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

static LRESULT CALLBACK con_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
static void con_on_size(HWND hwnd);

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
  ev.close_requested = 0;
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
  ev.files_dropped = 0;
  ev.dropped[0] = 0;
  ev.dropped_w[0] = 0;
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

// ==== Scrolling ========================================================================================

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
static void con_on_scroll(HWND hwnd, int axis, WPARAM wp) {
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
static void con_on_size(HWND hwnd) {
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
static void con_on_exit_size_move(HWND hwnd) {
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
  ev.resized = CONSOLE_RAISED;
}

// ==== Clipboard ========================================================================================

// The text a right click at client point (cx, cy) copies: the page point, or with shift its position
// relative to the page centre in percent of the page width, or with control the colour of that point.
static void con_clip_text(char* out, int size, int cx, int cy, WPARAM keys) {
  int px = cx + con.scroll_x, py = cy + con.scroll_y;
  if (keys & MK_CONTROL) {
    uint8_t rgb[3];
    console_read_pixel(rgb, px, py);
    char r[16], g[16], b[16];
    std::snprintf(r, sizeof r, "%4d", rgb[0]);
    std::snprintf(g, sizeof g, "%4d", rgb[1]);
    std::snprintf(b, sizeof b, "%4d", rgb[2]);
    std::snprintf(out, size, "%s,%s,%s", r + std::strspn(r, " "), g + std::strspn(g, " "), b + std::strspn(b, " "));
  } else if (keys & MK_SHIFT) {
    double pw = con.page_w > 0 ? con.page_w : 1;
    double x = (px - con.page_w * 0.5) * 100.0 / pw;
    double y = (py - con.page_h * 0.5) * 100.0 / pw;
    char xs[64], ys[64];
    std::snprintf(xs, sizeof xs, "%10.2f%%", x);
    std::snprintf(ys, sizeof ys, "%10.2f%%", y);
    std::snprintf(out, size, "%s,%s", xs + std::strspn(xs, " "), ys + std::strspn(ys, " "));
  } else {
    std::snprintf(out, size, "%d,%d", px, py);
  }
}

// Empties the clipboard and hands it the text as CF_OEMTEXT. A block the clipboard accepts is the
// clipboard's from then on and is never freed here; a block it refuses (or that never reached it) is
// freed at once, so the program holds no block between clicks.
// A pause around the clipboard's hand-over: another program that watches the clipboard sees it empty
// before the new text arrives.
constexpr DWORD CON_CLIPBOARD_PAUSE_MS = 1;

static void con_clip_put(const char* text) {
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
  Sleep(CON_CLIPBOARD_PAUSE_MS);
  size_t n = std::strlen(text) + 1;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, n);
  if (block == nullptr) return;
  void* p = GlobalLock(block);
  if (p == nullptr) {
    GlobalFree(block);
    return;
  }
  std::memcpy(p, text, n);
  GlobalUnlock(block);
  Sleep(CON_CLIPBOARD_PAUSE_MS);
  bool accepted = false;
  if (OpenClipboard(nullptr)) {
    accepted = SetClipboardData(CF_OEMTEXT, block) != nullptr;
    CloseClipboard();
  }
  if (!accepted) GlobalFree(block);
}

// ==== Dropped files ====================================================================================

constexpr UINT CON_DROP_COUNT = 0xFFFFFFFF;  // the index that asks DragQueryFile for the number of names

static int (*con_drop_sink_w)(const char16_t*);
static int (*con_drop_sink_a)(const char*);

void console_set_drop_sink(int (*append_w)(const char16_t* name), int (*append_a)(const char* name)) {
  con_drop_sink_w = append_w;
  con_drop_sink_a = append_a;
}

// Both passes over a drop: UTF-16 names first, then ANSI names. The first name of each pass is the
// dropped path of its form; further names go to the drop sink of that form (the argument lists). A name that does not
// fit its 260-unit buffer is skipped. Each pass starts with an empty dropped path, so a skipped first
// name never leaves an earlier drop's name behind.
static void con_on_drop(HDROP drop) {
  ev.dropped_w[0] = 0;
  UINT count = DragQueryFileW(drop, CON_DROP_COUNT, nullptr, 0);
  for (UINT i = 0; i < count; i++) {
    UINT need = DragQueryFileW(drop, i, nullptr, 0);
    if (need == 0 || need >= CONSOLE_PATH_UNITS) continue;
    wchar_t name[CONSOLE_PATH_UNITS];
    UINT got = DragQueryFileW(drop, i, name, CONSOLE_PATH_UNITS);
    if (got == 0 || got >= CONSOLE_PATH_UNITS) continue;
    name[got] = 0;
    if (i == 0) {
      for (UINT k = 0; k <= got; k++) ev.dropped_w[k] = (char16_t)name[k];
    } else if (con_drop_sink_w != nullptr) {
      con_drop_sink_w(reinterpret_cast<const char16_t*>(name));
    }
    ev.files_dropped = CON_SET;
  }
  ev.dropped[0] = 0;
  count = DragQueryFileA(drop, CON_DROP_COUNT, nullptr, 0);
  for (UINT i = 0; i < count; i++) {
    UINT need = DragQueryFileA(drop, i, nullptr, 0);
    if (need == 0 || need >= CONSOLE_PATH_UNITS) continue;
    char name[CONSOLE_PATH_UNITS];
    UINT got = DragQueryFileA(drop, i, name, CONSOLE_PATH_UNITS);
    if (got == 0 || got >= CONSOLE_PATH_UNITS) continue;
    name[got] = 0;
    if (i == 0) {
      std::memcpy(ev.dropped, name, got + 1);
    } else if (con_drop_sink_a != nullptr) {
      con_drop_sink_a(name);
    }
    ev.files_dropped = CON_SET;
  }
  DragFinish(drop);
}

// ==== Window procedure =================================================================================

static int con_mouse_mods(WPARAM keys) {
  return ((keys & MK_CONTROL) ? CONSOLE_MOD_CTRL : 0) + ((keys & MK_SHIFT) ? CONSOLE_MOD_SHIFT : 0);
}
static int con_own_mods() {
  return (con.control_down ? CONSOLE_MOD_CTRL : 0) + (con.shift_down ? CONSOLE_MOD_SHIFT : 0);
}

// Ends a press the window will not see released (the button went up outside the client area).
static void con_cancel_press() {
  ev.left_held = 0;
  ev.dragging = 0;
  console_apply_cursor(con.normal_cursor);
}

// Records and returns: every case writes event cells or does one named job (paint, scroll, size); the
// display loop makes every decision.
static LRESULT CALLBACK con_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      con.scroll_x = con.scroll_y = 0;
      con.range_x = con.range_y = 0;
      con.sizing = 0;
      con.line_repeat = 0;
      break;

    case WM_PAINT:
      ValidateRect(hwnd, nullptr);
      con_show_page(hwnd);
      return 0;

    case WM_GETMINMAXINFO: {
      MINMAXINFO* mm = reinterpret_cast<MINMAXINFO*>(lp);
      mm->ptMaxSize.x = con.full_w;
      mm->ptMaxSize.y = con.full_h;
      return 0;
    }

    case WM_SIZE:
      con_on_size(hwnd);
      return 0;

    case WM_EXITSIZEMOVE:
      con_on_exit_size_move(hwnd);
      return 0;

    case WM_SYSCOMMAND:
      switch (wp & 0xFFF0) {
        case SC_MAXIMIZE:
          if (!con.maximised) {
            RECT wr;
            GetWindowRect(hwnd, &wr);
            int w = wr.right - wr.left + 8, h = wr.bottom - wr.top + 8;
            if (w > con.full_w) w = con.full_w;
            if (h > con.full_h) h = con.full_h;
            con.busy++;
            SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, w, h, SWP_NOMOVE);
            con.busy--;
            con.maximised = 1;
          }
          break;
        case SC_RESTORE:
          con.maximised = 0;
          break;
      }
      break;

    case WM_HSCROLL: con_on_scroll(hwnd, 0, wp); return 0;
    case WM_VSCROLL: con_on_scroll(hwnd, 1, wp); return 0;

    case WM_NCHITTEST:
      con.line_repeat = 0;
      break;

    case WM_MOUSEWHEEL: {
      int delta = (short)HIWORD(wp);
      con_scroll_axis(hwnd, 1, con.scroll_y - delta, true);
      return 0;
    }

    case WM_KEYDOWN:
      if (wp == VK_SHIFT) con.shift_down = 1;
      if (wp == VK_CONTROL) con.control_down = 1;
      if (wp >= VK_PRIOR && wp <= VK_DELETE) {
        int base = con.control_down ? (con.shift_down ? CONSOLE_KEY_CTRL_SHIFT : CONSOLE_KEY_CTRL)
                                    : (con.shift_down ? CONSOLE_KEY_SHIFT : CONSOLE_KEY_PLAIN);
        ev.key = base + (int)wp;
        return 0;
      }
      break;

    case WM_KEYUP:
      if (wp == VK_SHIFT) con.shift_down = 0;
      if (wp == VK_CONTROL) con.control_down = 0;
      break;

    case WM_CHAR:
      if (con.control_down && (wp == 0x20 || wp == 0x0D)) ev.key = (int)wp + CONSOLE_KEY_CONTROL;
      else ev.key = (int)wp;
      return 0;

    case WM_SYSCHAR:
      if (wp >= 0x41 && wp <= 0x7A) ev.key = (int)wp + CONSOLE_KEY_ALT;
      break;

    case WM_LBUTTONDOWN:
      ev.left_held = CONSOLE_RAISED;
      ev.dragging = CONSOLE_RAISED;
      ev.press_x = LOWORD(lp);
      ev.press_y = HIWORD(lp);
      ev.key = CONSOLE_MOUSE + con_mouse_mods(wp);
      ev.left_pressed = CONSOLE_RAISED;
      console_apply_cursor(con.press_cursor);
      return 0;

    case WM_LBUTTONUP:
      ev.left_held = 0;
      ev.dragging = 0;
      console_apply_cursor(con.normal_cursor);
      ev.left_up = CONSOLE_RAISED;
      ev.left_released = CONSOLE_RAISED;
      return 0;

    case WM_MOUSEMOVE:
      if (!(wp & MK_LBUTTON) && (ev.left_held || ev.dragging)) con_cancel_press();
      if (ev.dragging) {
        ev.drag_x = LOWORD(lp);
        ev.drag_y = HIWORD(lp);
        ev.drag_moved = CONSOLE_RAISED;
      }
      return 0;

    case WM_NCMOUSEMOVE:
      // The first parameter is a hit-test code: ask the key state whether the button is still down.
      if ((ev.left_held || ev.dragging) && !(GetKeyState(VK_LBUTTON) & 0x8000)) con_cancel_press();
      return 0;

    case WM_MBUTTONDOWN: ev.key = CONSOLE_MOUSE_MIDDLE + con_own_mods(); return 0;
    case WM_MBUTTONUP: ev.key = CONSOLE_MOUSE_MIDDLE_UP + con_own_mods(); return 0;

    case WM_RBUTTONDOWN: {
      ev.key = CONSOLE_MOUSE_RIGHT + con_mouse_mods(wp);
      char text[128];
      con_clip_text(text, sizeof text, LOWORD(lp), HIWORD(lp), wp);
      con_clip_put(text);
      return 0;
    }
    case WM_RBUTTONUP: return 0;

    case WM_DROPFILES:
      con_on_drop(reinterpret_cast<HDROP>(wp));
      return 0;

    case WM_CLOSE:
      ev.close_requested = CON_SET;
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
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

int console_scroll_x() { return con.scroll_x; }
int console_scroll_y() { return con.scroll_y; }
int console_range_x() { return con.range_x; }
int console_range_y() { return con.range_y; }

void console_pump() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
}

static int con_take(int32_t* cell) {
  int v = *cell;
  *cell = 0;
  return v;
}

int console_key() { return ev.key; }
int console_take_key() { return con_take(&ev.key); }
int console_take_left_pressed() { return con_take(&ev.left_pressed); }
int console_left_held() { return ev.left_held; }
int console_dragging() { return ev.dragging; }
int console_press_x() { return ev.press_x; }
int console_press_y() { return ev.press_y; }
int console_drag_moved() { return ev.drag_moved; }
int console_take_drag_moved() { return con_take(&ev.drag_moved); }
int console_drag_x() { return ev.drag_x; }
int console_drag_y() { return ev.drag_y; }
int console_left_up() { return ev.left_up; }
int console_take_left_up() { return con_take(&ev.left_up); }
int console_take_left_released() { return con_take(&ev.left_released); }
int console_take_resized() { return con_take(&ev.resized); }
int console_close_requested() { return ev.close_requested ? CONSOLE_RAISED : 0; }

int console_files_dropped() { return ev.files_dropped ? CONSOLE_RAISED : 0; }
void console_clear_dropped() { ev.files_dropped = 0; }
const char* console_dropped_path() { return ev.dropped; }
const char16_t* console_dropped_path_w() { return ev.dropped_w; }
