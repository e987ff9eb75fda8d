// console_cursors_win32.cpp: the console window's cursors (see console.h): the table of the eight
// system cursors and the program's own open hand, made once from its planes, and the cursors shown while
// the left button is down and otherwise.
//
// Records: the cursor fields of con (console_internal_win32.h), written only here and by console_open
// (which resets the press and normal cursors); the table outlives the window.
// Limits: the hand cursor's planes are 32 x 32.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "console/console.h"
#include "console/console_internal_win32.h"

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
