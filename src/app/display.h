// display.h: what the run sequence asks of the window side: the owner of its message boxes, the open
// dialog, the font, the cursors, the display loop for one file and the end of the run.
#pragma once

enum DisplayOutcome { DISPLAY_QUIT = 0, DISPLAY_DROP = 1 };

// The console window, owner of the run's message boxes; null when none is open.
struct HWND__;
HWND__* display_owner();
// The open dialog for a motion file, with the program directory as the initial path. 0 when a file was
// chosen (copied into out, 260 units), -1 otherwise.
int display_open_dialog_w(char16_t* out, const char16_t* initial);
int display_open_dialog(char* out, const char* initial);
// Loads the font by path (ANSI) or, when path is null, by wpath, at 16 pixels to the em. 0 loaded.
int display_load_font(const char* path, const char16_t* wpath);
// Loads the cursor set: 0, or -1.
int display_load_cursors();
// Shows the report page of the current file until the user is done with it or drops files.
DisplayOutcome display_loop();
// The end of the run: pumps, takes the leftover events, closes the window.
void display_finish();
