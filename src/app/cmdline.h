// cmdline.h: the two argument lists, the command line as UTF-16 words and as ANSI (Shift-JIS) words,
// split by the same rules, and their appends (the open dialog's file and dropped files).
//
// Limits: 511 words a list; a store of 65,535 units; splitting uses the first 65,533 characters of the
// line and stops at a word boundary once 511 words are held or the store index reaches 65,275.
// Appends refuse words beyond the 511th and cut a word that does not fit the rest of the store.
#pragma once
#include <cstdint>

constexpr int ARG_MAX_WORDS = 511;     // words a list holds
constexpr int ARG_STORE = 65535;       // units in a list's store
constexpr int ARG_LINE_LIMIT = 65533;  // characters of the command line that splitting reads
constexpr int ARG_SPLIT_STOP = 65275;  // store index at which splitting stops at the next word end

// Fill a list from the system's command line (GetCommandLineW / GetCommandLineA).
void split_command_line_utf16();
void split_command_line_ansi();
// Fill a list from a given line (the splitters above pass the system's line here).
void split_command_line_utf16_from(const char16_t* line);
void split_command_line_ansi_from(const char* line);

// Append a word. 0 appended; 1 an empty word (nothing appended); -1 refused (511 words held, or no room
// left in the store for one character and its terminator).
int arg_append_utf16(const char16_t* word);
int arg_append_ansi(const char* word);

// Word k of a list, or an empty string when the list is shorter.
const char16_t* arg_w(int k);
const char* arg_a(int k);
int arg_count_w();
int arg_count_a();
