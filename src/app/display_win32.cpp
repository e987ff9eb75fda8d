// display_win32.cpp: placeholder window side until the console lands: no window, no dialog, no font.
#include <windows.h>

#include "app/display.h"

HWND__* display_owner() { return nullptr; }
int display_open_dialog_w(char16_t*, const char16_t*) { return -1; }
int display_open_dialog(char*, const char*) { return -1; }
int display_load_font(const char*, const char16_t*) { return -1; }
int display_load_cursors() { return 0; }
DisplayOutcome display_loop() { return DISPLAY_QUIT; }
void display_finish() { Sleep(200); }
