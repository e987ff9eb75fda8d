// display_win32.cpp: the display loop and the window side of the run: after the check of one file it
// shows the report page in the console window, draws it once with the glyph renderer, and waits for the
// user: keys, panning with the left button, the close button, the capture key and dropped files. It
// returns quit (the user is done with this file) or drop (dropped files were appended to the argument
// lists and are examined next).
//
// Records: the loop state (per file) and the capture counter. The console's event cells are read through
// its getters only.
// Codes: the console's key events, plus the loop's own 0x4051 (quit), 0x4020 (refresh after a release or
// a drag move) and 0x999 (files dropped); a latched close request counts as ESC. A capture's result is
// no code: the loop turns it into the code it goes on with (display_after_capture).
#include <windows.h>

#include <cstdio>

#include "app/cmdline.h"
#include "app/display.h"
#include "app/run.h"
#include "app/testhooks.h"
#include "check/report_page.h"
#include "console/capture.h"
#include "console/console.h"
#include "console/dialogs.h"
#include "console/glyph.h"
#include "console/page_image.h"
#include "formats/filechan.h"
#include "sys/sys.h"
#include "text/encoding.h"

// The loop's own codes, beside the console's key events.
constexpr int CODE_QUIT = 0x4051;
constexpr int CODE_REFRESH = 0x4020;  // a release or a drag move: the view follows the mouse
constexpr int CODE_DROPPED = 0x999;
constexpr unsigned DISPLAY_POLL_MS = 50;   // the wait between looks at the event cells: idle, yet prompt
constexpr unsigned DISPLAY_CLOSE_MS = 200; // after the window is destroyed: its last messages arrive
                                           // and are pumped before the run ends
constexpr int CAPTURES = 99;        // cap(1).bmp to cap(99).bmp

static const char TITLE[] = "Velmora ";

struct DisplayState {
  bool running;
  bool page_drawn;
  bool dragged;  // a drag move was taken since the last press
  int32_t wanted_w, wanted_h;
  int origin_x, origin_y;  // scroll position when the left button was last pressed
};
static DisplayState ds;

// ---- Codes --------------------------------------------------------------------------------------------

static bool display_is_quit(int code) {
  return code == CONSOLE_KEY_ESC || code == 'Q' || code == 'q' || code == CONSOLE_KEY_CTRL_Q || code == CODE_QUIT;
}

static bool display_is_refresh(int code) {
  if (code == ' ' || code == '\r' || code == CODE_REFRESH) return true;
  if (code == 'R' || code == 'r' || code == 'C' || code == 'c') return true;
  if (code >= CONSOLE_KEY_BACKSPACE && code <= CONSOLE_KEY_CTRL_L) return true;
  // The arrows, plain, with shift, with control, with control and shift.
  int key = code & 0xFF, base = code & ~0xFF;
  return base >= CONSOLE_KEY_PLAIN && base <= CONSOLE_KEY_CTRL_SHIFT && key >= CONSOLE_KEY_LEFT &&
         key <= CONSOLE_KEY_DOWN;
}

// A release outside a drag, or a drag move: the view follows the mouse.
static bool display_pan_pending() {
  return (console_left_up() && !console_dragging()) || console_drag_moved();
}

// ---- Capture ------------------------------------------------------------------------------------------

// Saves the page as the first free cap(n).bmp of the program directory. The writer's result (a
// CaptureResult), or CAPTURE_DONE when all 99 names are taken and nothing is written.
static int display_capture() {
  const RunSettings* rs = run_settings();
  static char name[RUN_PATH + 16];
  static char16_t name_w[RUN_PATH + 16];
  for (int n = 1; n <= CAPTURES; n++) {
    char tail[16];
    char16_t tail_w[16];
    std::snprintf(name, sizeof name, "%scap(%d).bmp", rs->progdir, n);
    std::snprintf(tail, sizeof tail, "cap(%d).bmp", n);
    for (int i = 0;; i++) {
      tail_w[i] = (unsigned char)tail[i];
      if (tail[i] == 0) break;
    }
    utf16_copy(name_w, RUN_PATH + 16, rs->progdir_w);
    utf16_append(name_w, RUN_PATH + 16, tail_w);
    if (rfprobe(name) == 0 || rfprobeW(name_w) == 0) {
      rfclose();
      continue;
    }
    int result = capture_bmp(name);
    if (result == CAPTURE_UNCREATED) result = capture_bmp_w(name_w);
    return result;
  }
  return CAPTURE_DONE;
}

// The code the loop goes on with after a capture: none (the loop waits for the next key), whatever the
// capture gave, except that a capture whose headers could not be written refreshes the view as a
// refresh key does (its result, 11, is the key code of Ctrl+K). Failures pass silently either way.
static int display_after_capture(int result) { return result == CAPTURE_NO_HEADERS ? CODE_REFRESH : 0; }

// ---- Steps ----------------------------------------------------------------------------------------------

static void display_draw_page() {
  console_fill_rect(0, 0, 0, ds.wanted_w - 1, ds.wanted_h - 1, PAGE_BACKGROUND[0], PAGE_BACKGROUND[1],
                    PAGE_BACKGROUND[2]);
  page_draw_lines(report_view(), console_draw_pixels, 0);
  ds.page_drawn = true;
}

// The top step (also a refresh): sizes or opens the window, pans, draws the page once. false when the
// window could not be opened.
static bool display_top() {
  bool left_up = console_take_left_up() != 0;
  bool drag_moved = console_take_drag_moved() != 0;
  bool left_pressed = console_take_left_pressed() != 0;
  console_take_resized();
  page_image_size(report_view(), &ds.wanted_w, &ds.wanted_h);
  if (console_state() != CONSOLE_CLOSED) {
    if (console_page_width() != ds.wanted_w || console_page_height() != ds.wanted_h) {
      console_resize(ds.wanted_w, ds.wanted_h, TITLE);
    }
  } else {
    console_open(ds.wanted_w, ds.wanted_h, TITLE);
  }
  if (console_state() != CONSOLE_CLOSED) {
    console_set_press_cursor(CONSOLE_HAND_CURSOR);
    console_set_normal_cursor(0);
    console_set_title(TITLE);
    console_drop_topmost();
  }
  if (left_pressed) {
    ds.origin_x = console_scroll_x();
    ds.origin_y = console_scroll_y();
    ds.dragged = false;
  }
  if (drag_moved) ds.dragged = true;
  if (left_up || drag_moved) {
    int dx = ds.dragged ? console_drag_x() - console_press_x() : 0;
    int dy = ds.dragged ? console_drag_y() - console_press_y() : 0;
    console_scroll_to_x(ds.origin_x - dx);
    console_scroll_to_y(ds.origin_y - dy);
  }
  if (!ds.page_drawn) display_draw_page();
  if (console_state() == CONSOLE_CLOSED) return false;
  console_set_title(TITLE);
  return true;
}

enum DisplayNext { NEXT_TOP, NEXT_DISPATCH, NEXT_WAIT, NEXT_END };

static DisplayNext display_dispatch(int* code) {
  if (*code == 'S' || *code == 's') *code = display_after_capture(display_capture());
  if (console_state() == CONSOLE_CLOSED) *code = CODE_QUIT;
  if (display_pan_pending()) *code = CODE_REFRESH;
  if (console_files_dropped()) *code = CODE_DROPPED;
  if (*code == CONSOLE_KEY_ESC) *code = CODE_QUIT;
  if (run_file()->font_failed) *code = CODE_QUIT;
  if (display_is_quit(*code) || *code == CODE_DROPPED) return NEXT_END;
  if (display_is_refresh(*code)) return NEXT_TOP;
  *code = 0;
  return NEXT_WAIT;
}

static DisplayNext display_wait(int* code) {
  VELMORA_TESTHOOK(testhook_waiting());
  *code = 0;
  while (*code == 0) {
    if (console_close_requested()) *code = CONSOLE_KEY_ESC;
    if (console_state() == CONSOLE_CLOSED) return NEXT_END;
    console_pump();
    if (console_key() != 0) {
      *code = console_take_key();
      if (*code >= CONSOLE_MOUSE) *code = 0;  // mouse buttons have no action here
    }
    if (display_pan_pending()) *code = CODE_REFRESH;
    if (console_files_dropped()) *code = CODE_DROPPED;
    if (*code == 0) sys_sleep(DISPLAY_POLL_MS);
  }
  // Keys typed while a code is being handled are dropped.
  console_pump();
  while (console_key() != 0) console_take_key();
  console_take_left_released();
  if (display_is_quit(*code) || *code == CODE_DROPPED) return NEXT_END;
  return NEXT_DISPATCH;
}

DisplayOutcome display_loop() {
  console_set_background(PAGE_BACKGROUND[0], PAGE_BACKGROUND[1], PAGE_BACKGROUND[2]);
  ds.page_drawn = false;
  console_clear_dropped();
  ds.running = true;
  int code = 0;
  DisplayNext next = NEXT_TOP;
  while (ds.running) {
    switch (next) {
      case NEXT_TOP:
        if (!display_top()) {
          ds.running = false;
          break;
        }
        code = 0;
        next = NEXT_DISPATCH;
        break;
      case NEXT_DISPATCH:
        next = display_dispatch(&code);
        break;
      case NEXT_WAIT:
        next = display_wait(&code);
        break;
      case NEXT_END:
        ds.running = false;
        break;
    }
  }
  if (!console_files_dropped()) return DISPLAY_QUIT;
  arg_append_utf16(console_dropped_path_w());
  arg_append_ansi(console_dropped_path());
  return DISPLAY_DROP;
}

// ---- The rest of the window side ------------------------------------------------------------------------

HWND__* display_owner() { return console_handle(); }

int display_open_dialog_w(char16_t* out, const char16_t* initial) { return open_dialog_w(out, initial); }

int display_open_dialog(char* out, const char* initial) { return open_dialog(out, initial); }

int display_load_font(const char* path, const char16_t* wpath) {
  if (path != nullptr) return font_load(path, 0.0, 16.0);
  return font_load_w(wpath, 0.0, 16.0);
}

int display_load_cursors() { return console_load_cursors(); }

void display_finish() {
  console_pump();
  while (console_take_key() != 0) {
  }
  while (console_take_left_released() != 0) {
  }
  console_close();
  console_pump();
  sys_sleep(DISPLAY_CLOSE_MS);
  console_pump();
}
