// console.h: the program's one window. An off-screen page (a memory bitmap of a fixed page size) onto
// which the report is drawn, shown in a resizable window with scroll bars; the window procedure records
// what the user did (keys, mouse, drops, close requests) in event cells that the display loop polls
// between calls to console_pump. All of it runs on the program's single thread.
//
// Records: the console record (window, display context, page, sizes, scroll state, title, background
// colour, cursor table; console_win32.cpp) and the event record (console_proc_win32.cpp). The event
// record is written only by the window procedure and by console_open (which clears it in part);
// everything else reads it through the getters below. The procedures below live in console_win32.cpp
// (window, page, sizing, drawing), console_scroll_win32.cpp, console_proc_win32.cpp (events),
// console_clipboard_win32.cpp and console_cursors_win32.cpp. One-shot cells are raised to CONSOLE_RAISED and read and cleared by their "take" getter; level
// cells are CONSOLE_RAISED or 0.
//
// This header is free of <windows.h> so that portable code may name the console's procedures; the window
// handle is the platform's HWND (struct HWND__*).
#pragma once
#include <cstdint>

struct HWND__;

constexpr int CONSOLE_TITLE_BYTES = 256;   // the stored title; a longer one is cut at a character boundary
constexpr int CONSOLE_PATH_UNITS = 260;    // dropped names, the platform's path limit with its terminator
constexpr int CONSOLE_CURSORS = 9;         // system cursors 0 to 7 and the program's own hand cursor 8
constexpr int CONSOLE_HAND_CURSOR = 8;

// The window's state (console_state): none, open, or closing or resizing under way.
constexpr int CONSOLE_CLOSED = 0, CONSOLE_OPEN = -1, CONSOLE_BUSY = 1;
// What the event getters give for a raised cell (a lowered one gives 0).
constexpr int CONSOLE_RAISED = -1;

// ---- Key event codes -----------------------------------------------------------------------------------
// A typed character arrives as its own code (control letters as 1 to 26, ESC as 0x1B); the rest as a
// base plus the character or the virtual key.
constexpr int CONSOLE_KEY_ESC = 0x1B;
constexpr int CONSOLE_KEY_CTRL_Q = 0x11;      // Ctrl+Q typed
constexpr int CONSOLE_KEY_BACKSPACE = 0x08;   // Backspace; with Tab, Ctrl+J, Ctrl+K and Ctrl+L the codes
constexpr int CONSOLE_KEY_CTRL_L = 0x0C;      //   0x08 to 0x0C
constexpr int CONSOLE_KEY_CONTROL = 0x300;    // a space or carriage return typed with control: + 0x300
// Keys 0x21 (Page Up) to 0x2E (Delete), the arrows 0x25 to 0x28 among them: the key plus one of these.
constexpr int CONSOLE_KEY_PLAIN = 0x100, CONSOLE_KEY_SHIFT = 0x200, CONSOLE_KEY_CTRL = 0x300,
              CONSOLE_KEY_CTRL_SHIFT = 0x400;
constexpr int CONSOLE_KEY_LEFT = 0x25, CONSOLE_KEY_DOWN = 0x28;  // the arrows: left, up, right, down
constexpr int CONSOLE_KEY_ALT = 0x500;        // Alt with a letter 0x41 to 0x7A: + the letter
// Mouse buttons, with 0x200 added for control and 0x100 for shift; every code from CONSOLE_MOUSE up.
constexpr int CONSOLE_MOUSE = 0x1000;         // left button pressed
constexpr int CONSOLE_MOUSE_RIGHT = 0x2000;   // right button pressed
constexpr int CONSOLE_MOUSE_MIDDLE = 0x5000;  // middle button pressed
constexpr int CONSOLE_MOUSE_MIDDLE_UP = 0x5800;
constexpr int CONSOLE_MOD_CTRL = 0x200, CONSOLE_MOD_SHIFT = 0x100;

// ---- Window lifetime ---------------------------------------------------------------------------------

// Loads the cursor table (arrow, cross, wait, no, size-all, size-NWSE, size-NS, size-WE, and the program's
// own open hand, made once). 0, or -1 when a cursor cannot be loaded or made. A second call keeps the
// table it has and returns 0. The own cursor is destroyed at program exit.
int console_load_cursors();

// Opens the window with a page of w x h pixels and the Shift-JIS title. A page larger than the work
// area opens in a window cut to it, with the scroll bars it needs shown and their ranges set. Clears
// close requested, files dropped and the dropped paths. 0 opened; -1 a window is already open, the
// class cannot be registered or the window cannot be made.
int console_open(int w, int h, const char* title);
// Rebuilds the page at w x h, scrolls back to (0, 0), fits the window around the page and shows the
// scroll bars the page needs. 0 done; -1 no window is open.
int console_resize(int w, int h, const char* title);
// Closes the window and releases the page. 1 no window was open; 0 closed.
int console_close();
// Takes the window out of the always-on-top band. The platform call's result (non-zero for success), or
// 0 without a window.
int console_drop_topmost();
// 0 when text equals the stored title (nothing done); otherwise stores it, shows it and returns 1.
int console_set_title(const char* text);

// ---- Page and drawing --------------------------------------------------------------------------------

// Targets: below 0 the page only; 0 the page and the screen; above 0 the screen only. Screen coordinates
// are page coordinates minus the scroll offsets.
//
// Fills the rectangle from (x0, y0) to (x1, y1), both corners included, with red, green, blue.
void console_fill_rect(int target, int x0, int y0, int x1, int y1, int r, int g, int b);
// Draws a block of w x h 24-bit pixels (blue, green, red bytes; rows from the top, each row padded to a
// multiple of 4 bytes) at (x, y). On the screen the block is cut to the screen size, and a one-row
// block that starts left of the client area loses the pixels left of it. 0 drawn; -1 the last drawing
// call drew nothing; 1 nothing to draw (no window, an empty block, or a block wholly off the screen
// for a target that excludes the page).
int console_draw_pixels(int target, int x, int y, int w, int h, const uint8_t* pixels);
// Red, green, blue of page point (x, y) into out; a point the page does not hold reads as black. 0, or
// -1 (out black) when there is no page.
int console_read_pixel(uint8_t out[3], int x, int y);

int console_page_width();
int console_page_height();
// CONSOLE_CLOSED, CONSOLE_OPEN or CONSOLE_BUSY.
int console_state();
// The window, or null when none is open.
HWND__* console_handle();

// The background colour (0 to 255 each; other values keep their low 8 bits). It clears the page and is
// the window's class brush, so it is set before console_open.
void console_set_background(int r, int g, int b);

// ---- Scrolling ----------------------------------------------------------------------------------------

// Whenever the client area is smaller than the page along an axis (from the opening on, and after every
// resize, maximise or restore), that axis's range (its scroll bar's range, the largest view position) is
// the page extent less the client extent and its bar shows; otherwise the range is 0, the bar is hidden
// and the view is at 0 along it.
int console_scroll_x();
int console_scroll_y();
// Moves the view to position, cut to 0 to the range; does nothing when unchanged. 0.
int console_scroll_to_x(int position);
int console_scroll_to_y(int position);

// ---- Cursors --------------------------------------------------------------------------------------------

// Makes cursor index (0 to 8) the window's cursor and shows it. 0; -1 no window, an index outside the
// table or a refused change; 1 a change is already in progress (nothing done).
int console_apply_cursor(int index);
// The cursor shown while the left button is down; only stored.
void console_set_press_cursor(int index);
// The cursor shown otherwise; applied at once when it changes. 0 unchanged, else console_apply_cursor's
// result.
int console_set_normal_cursor(int index);

// ---- Messages and events ------------------------------------------------------------------------------

// Removes and dispatches every waiting message of the thread.
void console_pump();

// Key event codes: a typed character; 0x320 and 0x30D (space or return with control down); 0x100, 0x200,
// 0x300, 0x400 plus keys 0x21 to 0x2E (plain, shift, control, control and shift); 0x500 plus a letter
// typed with Alt; 0x1000 / 0x2000 / 0x5000 / 0x5800 left press, right press, middle press, middle release,
// plus 0x200 with control and 0x100 with shift.
int console_key();        // peek
int console_take_key();   // read and clear
int console_take_left_pressed();
int console_dragging();
int console_press_x();
int console_press_y();
int console_drag_moved();  // peek
int console_take_drag_moved();
int console_drag_x();
int console_drag_y();
int console_left_up();     // peek
int console_take_left_up();
int console_take_left_released();
int console_take_resized();
// CONSOLE_RAISED once the window's close button was used (WM_CLOSE); stays until the next console_open.
int console_close_requested();

// Files dropped: CONSOLE_RAISED after a drop took at least one name, until cleared (console_open and the display
// loop's set-up clear it). The first name of the last drop, in both forms; the further names went to the
// argument lists. Empty when the last drop's first name could not be taken.
int console_files_dropped();
// Where the second and later names of a drop go, in each form: the run flow installs its argument
// lists' appends. Without a sink those names are let go.
void console_set_drop_sink(int (*append_w)(const char16_t* name), int (*append_a)(const char* name));
void console_clear_dropped();
const char* console_dropped_path();
const char16_t* console_dropped_path_w();
