// report_drop.h: velmora-report.exe as a drop target. Explorer starts a console program that is
// double-clicked, or that files and folders are dropped on, in a console window of its own, which
// closes the moment the program ends. Run that way, with no option word on its command line, the tool
// prints the summary of what was dropped instead of its pages and, when its standard input is that
// console, ends with one line asking for a key and waits for it, so that the window stays until it has
// been read. It also writes the library page (report_html.h) into the user's temporary folder, and the
// key O opens it in the default browser. From a command prompt, in a script, or with any option word,
// nothing changes.
#pragma once
#include <cstdio>
#include <string>

// True when the run is a drop: no word of argv after argv[0] is an option word ("-" and at least one
// more character, as the tool takes options) and the process has a console of its own (sys.h; tests
// set VELMORA_CONSOLE to own or shared).
bool report_drop_mode(int argc, const char16_t* const* argv);

// The end of a drop run: when standard input is a console, prints one line on out, in Japanese for a
// user whose default language is Japanese and in English otherwise, and waits for a key. With the
// library page written (page not empty) the line offers it: the key O opens it in the default browser,
// any other key closes. Does nothing when standard input is a pipe, a file or NUL, so a script never
// waits.
void report_drop_wait(FILE* out, const std::u16string& page);
// Where a drop's library page goes: the user's temporary folder, velmora-report-YYYYMMDD-HHMMSS.html
// by the local time now, into *page. 0, or -1 when there is no temporary folder.
int report_drop_page(std::u16string* page);
