// console_internal_win32.h: the console window's own records and the procedures its Win32 files share,
// for those files only (console_win32.cpp, console_scroll_win32.cpp, console_proc_win32.cpp,
// console_clipboard_win32.cpp, console_cursors_win32.cpp); everything else goes through console.h.
//
// Records: con, the console record (console_win32.cpp), written by the console_* procedures and, for the
// scroll, size and modifier state, by the window procedure; ev, the event record
// (console_proc_win32.cpp), written only by the window procedure and cleared in part when a window opens.
#pragma once
#include <windows.h>

#include <cstdint>

#include "console/console.h"

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
extern ConsoleRecord con;

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
extern ConsoleEvents ev;

inline HINSTANCE con_instance() { return GetModuleHandleA(nullptr); }
inline int con_clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// ---- Window and sizing (console_win32.cpp) ------------------------------------------------------------

// Copies the page to the window's display context over the paint record's rectangle (WM_PAINT).
void con_show_page(HWND hwnd);
// WM_SIZE, and the end of console_open and console_resize: each axis's range and bar (see the
// definition).
void con_on_size(HWND hwnd);
// WM_EXITSIZEMOVE: snaps the window back to the full size along the axes the user opened far enough.
void con_on_exit_size_move(HWND hwnd);

// ---- Scrolling (console_scroll_win32.cpp) -----------------------------------------------------------

// WM_HSCROLL (axis 0) and WM_VSCROLL (axis 1): line, page and thumb requests.
void con_on_scroll(HWND hwnd, int axis, WPARAM wp);
// WM_MOUSEWHEEL: the view moves up or down by the wheel's delta in pixels.
void con_on_wheel(HWND hwnd, WPARAM wp);

// ---- Window procedure and events (console_proc_win32.cpp) ----------------------------------------------

// The window class's procedure.
LRESULT CALLBACK con_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
// A window opens: no close request, no dropped files, empty dropped paths.
void con_events_open();

// ---- Clipboard (console_clipboard_win32.cpp) -----------------------------------------------------------

// A right click at client point (cx, cy) with the mouse keys: its text (a page point, a percent position
// or a colour, see the definition) goes to the clipboard.
void con_clip_copy(int cx, int cy, WPARAM keys);
