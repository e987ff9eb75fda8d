// console_proc_win32.cpp: the console window's procedure and its event cells (see console.h): keys,
// mouse buttons and moves, dropped files and close requests are recorded in the event record, which the
// display loop reads through the getters below between calls to console_pump; paint, scroll and size
// messages each do one named job of the other console files.
//
// Records: ev (the event record), one for the program, written only by the window procedure and, when a
// window opens, by con_events_open; the modifier flags and the scroll and size state of con
// (console_internal_win32.h) that the procedure keeps.
// Limits: dropped names of 259 units or bytes (a longer name is skipped).
// Trust: messages come from the system and from other programs alike; coordinates are taken as the
// unsigned words the platform defines, dropped names are fetched by length first.
//
// Sections (search for "// ==== "): Records, Dropped files, Message groups, Window procedure, Getters.
#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "console/console.h"
#include "console/console_internal_win32.h"

// ==== Records ==========================================================================================

ConsoleEvents ev;

void con_events_open() {
  ev.close_requested = 0;
  ev.files_dropped = 0;
  ev.dropped[0] = 0;
  ev.dropped_w[0] = 0;
}

// ==== Dropped files ====================================================================================

constexpr UINT CON_DROP_COUNT = 0xFFFFFFFF;  // the index that asks DragQueryFile for the number of names

static int (*con_drop_sink_w)(const char16_t*);
static int (*con_drop_sink_a)(const char*);

void console_set_drop_sink(int (*append_w)(const char16_t* name), int (*append_a)(const char* name)) {
  con_drop_sink_w = append_w;
  con_drop_sink_a = append_a;
}

// WM_DROPFILES: both passes over a drop, UTF-16 names first, then ANSI names. The first name of each
// pass is the dropped path of its form; further names go to the drop sink of that form (the argument
// lists). A name that does not fit its 260-unit buffer is skipped. Each pass starts with an empty dropped
// path, so a skipped first name never leaves an earlier drop's name behind.
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

// ==== Message groups ===================================================================================
// One handler a group of messages. Each records and returns: it writes event cells or does one named job
// (paint, scroll, size) and leaves every decision to the display loop. true when the message is answered
// (the procedure returns 0), false when the system's default handling follows.

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

// The window's life: creation (the scroll state starts at 0), paint (the page is copied to the screen),
// and the close button (latched; the window stays).
static bool con_on_window(HWND hwnd, UINT msg) {
  switch (msg) {
    case WM_CREATE:
      con.scroll_x = con.scroll_y = 0;
      con.range_x = con.range_y = 0;
      con.sizing = 0;
      con.line_repeat = 0;
      return false;
    case WM_PAINT:
      ValidateRect(hwnd, nullptr);
      con_show_page(hwnd);
      return true;
    case WM_CLOSE:
      ev.close_requested = CON_SET;
      return true;
  }
  return false;
}

// The window's size: the largest size is the full size; the bars follow a new size; the end of the
// user's move or resize snaps back to the full size; the first maximise grows the window by 8 pixels a
// side, up to the full size (the system maximises it then too).
static bool con_on_sizing(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_GETMINMAXINFO: {
      MINMAXINFO* mm = reinterpret_cast<MINMAXINFO*>(lp);
      mm->ptMaxSize.x = con.full_w;
      mm->ptMaxSize.y = con.full_h;
      return true;
    }
    case WM_SIZE:
      con_on_size(hwnd);
      return true;
    case WM_EXITSIZEMOVE:
      con_on_exit_size_move(hwnd);
      ev.resized = CONSOLE_RAISED;
      return true;
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) == SC_MAXIMIZE && !con.maximised) {
        RECT wr;
        GetWindowRect(hwnd, &wr);
        int w = wr.right - wr.left + 8, h = wr.bottom - wr.top + 8;
        if (w > con.full_w) w = con.full_w;
        if (h > con.full_h) h = con.full_h;
        con.busy++;
        SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, w, h, SWP_NOMOVE);
        con.busy--;
        con.maximised = 1;
      } else if ((wp & 0xFFF0) == SC_RESTORE) {
        con.maximised = 0;
      }
      return false;
  }
  return false;
}

// Scrolling: the bars and the wheel; the mouse over the window (a hit test) restarts the line steps'
// acceleration.
static bool con_on_scrolling(HWND hwnd, UINT msg, WPARAM wp) {
  switch (msg) {
    case WM_HSCROLL:
      con_on_scroll(hwnd, 0, wp);
      return true;
    case WM_VSCROLL:
      con_on_scroll(hwnd, 1, wp);
      return true;
    case WM_MOUSEWHEEL:
      con_on_wheel(hwnd, wp);
      return true;
    case WM_NCHITTEST:
      con.line_repeat = 0;
      return false;
  }
  return false;
}

// Keys: the window's own shift and control flags; the keys Page Up to Delete with their modifiers, typed
// characters (space and return with control apart) and letters typed with Alt become key events.
static bool con_on_key(UINT msg, WPARAM wp) {
  switch (msg) {
    case WM_KEYDOWN:
      if (wp == VK_SHIFT) con.shift_down = 1;
      if (wp == VK_CONTROL) con.control_down = 1;
      if (wp >= VK_PRIOR && wp <= VK_DELETE) {
        int base = con.control_down ? (con.shift_down ? CONSOLE_KEY_CTRL_SHIFT : CONSOLE_KEY_CTRL)
                                    : (con.shift_down ? CONSOLE_KEY_SHIFT : CONSOLE_KEY_PLAIN);
        ev.key = base + (int)wp;
        return true;
      }
      return false;
    case WM_KEYUP:
      if (wp == VK_SHIFT) con.shift_down = 0;
      if (wp == VK_CONTROL) con.control_down = 0;
      return false;
    case WM_CHAR:
      if (con.control_down && (wp == 0x20 || wp == 0x0D)) ev.key = (int)wp + CONSOLE_KEY_CONTROL;
      else ev.key = (int)wp;
      return true;
    case WM_SYSCHAR:
      if (wp >= 0x41 && wp <= 0x7A) ev.key = (int)wp + CONSOLE_KEY_ALT;
      return false;
  }
  return false;
}

// The mouse: the left button's press, drag and release (with the press and normal cursors), a press
// that ends outside the client area, the middle button, and the right button, whose click is copied to
// the clipboard.
static bool con_on_mouse(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_LBUTTONDOWN:
      ev.left_held = CONSOLE_RAISED;
      ev.dragging = CONSOLE_RAISED;
      ev.press_x = LOWORD(lp);
      ev.press_y = HIWORD(lp);
      ev.key = CONSOLE_MOUSE + con_mouse_mods(wp);
      ev.left_pressed = CONSOLE_RAISED;
      console_apply_cursor(con.press_cursor);
      return true;
    case WM_LBUTTONUP:
      ev.left_held = 0;
      ev.dragging = 0;
      console_apply_cursor(con.normal_cursor);
      ev.left_up = CONSOLE_RAISED;
      ev.left_released = CONSOLE_RAISED;
      return true;
    case WM_MOUSEMOVE:
      if (!(wp & MK_LBUTTON) && (ev.left_held || ev.dragging)) con_cancel_press();
      if (ev.dragging) {
        ev.drag_x = LOWORD(lp);
        ev.drag_y = HIWORD(lp);
        ev.drag_moved = CONSOLE_RAISED;
      }
      return true;
    case WM_NCMOUSEMOVE:
      // The first parameter is a hit-test code: ask the key state whether the button is still down.
      if ((ev.left_held || ev.dragging) && !(GetKeyState(VK_LBUTTON) & 0x8000)) con_cancel_press();
      return true;
    case WM_MBUTTONDOWN:
      ev.key = CONSOLE_MOUSE_MIDDLE + con_own_mods();
      return true;
    case WM_MBUTTONUP:
      ev.key = CONSOLE_MOUSE_MIDDLE_UP + con_own_mods();
      return true;
    case WM_RBUTTONDOWN:
      ev.key = CONSOLE_MOUSE_RIGHT + con_mouse_mods(wp);
      con_clip_copy(LOWORD(lp), HIWORD(lp), wp);
      return true;
    case WM_RBUTTONUP:
      return true;
  }
  return false;
}

// ==== Window procedure =================================================================================

LRESULT CALLBACK con_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  bool answered = false;
  switch (msg) {
    case WM_CREATE:
    case WM_PAINT:
    case WM_CLOSE:
      answered = con_on_window(hwnd, msg);
      break;
    case WM_GETMINMAXINFO:
    case WM_SIZE:
    case WM_EXITSIZEMOVE:
    case WM_SYSCOMMAND:
      answered = con_on_sizing(hwnd, msg, wp, lp);
      break;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case WM_NCHITTEST:
      answered = con_on_scrolling(hwnd, msg, wp);
      break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSCHAR:
      answered = con_on_key(msg, wp);
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      answered = con_on_mouse(msg, wp, lp);
      break;
    case WM_DROPFILES:
      con_on_drop(reinterpret_cast<HDROP>(wp));
      answered = true;
      break;
  }
  return answered ? 0 : DefWindowProcA(hwnd, msg, wp, lp);
}

// ==== Getters ==========================================================================================

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
