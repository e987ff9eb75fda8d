// run.h: the run sequence's portable steps: the language flags, the program directory, the options
// pass, and for each file argument its names, its kind and the check phases. The Win32 entry
// (main_win32.cpp) and velmora-report (report_main.cpp) run the same per-file loop around them; the
// entry adds the message boxes, the open dialog, the font and the display loop.
#pragma once
#include <cstdint>

constexpr int RUN_PATH = 260;  // program directory and on-disk names, in units

// A set flag of the records below (a flag holds 0 or RUN_SET; any value but 0 counts as set).
constexpr uint8_t RUN_SET = 0xFF;

// Exit codes of velmora.exe beside 0, the normal end.
constexpr int32_t RUN_EXIT_NO_CURSORS = 1;  // the cursor set cannot be loaded: the run ends at once
constexpr int32_t RUN_EXIT_DECLINED = 16;   // the user declined the extension confirmation (or-ed in)

// Run settings, one instance for the whole run; written by the run_* steps below.
struct RunSettings {
  uint8_t japanese;          // the user's default language is Japanese
  uint8_t sjis;              // japanese, 0x92 is an ANSI lead byte and the output code page is 932
  uint32_t output_cp;        // the console output code page at start
  int8_t cancelDialogue;     // option -ND
  char progdir[RUN_PATH];    // program directory with its trailing backslash, or empty
  char16_t progdir_w[RUN_PATH];
  int32_t exit_code;         // 0; RUN_EXIT_DECLINED or-ed in when the user declines the confirmation
};

// Reader results kept for velmora-report: RUN_NO_READER when no reader ran for the file.
constexpr int RUN_NO_READER = 100;

// Per-file state, set up afresh for every file argument.
struct FileState {
  const char* input;          // ANSI argument at this position ("" where the list is shorter)
  const char16_t* input_w;    // UTF-16 argument at this position
  char ondisk[RUN_PATH];      // name the directory search returns, or empty
  char16_t ondisk_w[RUN_PATH];
  uint8_t is_vmd, is_pmx;
  uint8_t ansi_failed, utf16_failed;
  uint8_t alias_found;
  uint8_t font_failed;
  int read_result;            // the last reader's result (a ReadResult), or RUN_NO_READER
  const char* path_line;      // the page's path line when not the ANSI name (run_set_path_line), or nullptr
};

const RunSettings* run_settings();
const FileState* run_file();

// The language flags from the three platform answers: Japanese texts need a Japanese user language,
// a Shift-JIS ANSI code page (0x92 a lead byte) and a Shift-JIS console output code page.
void run_language(unsigned lang_id, bool lead_0x92, unsigned output_cp);
// The program directory from argument 0 of both lists (or the current directory).
void run_program_dir();
// The options pass over list entries 1 to the last (at most 510): -ND with its number (a later -ND
// overrides an earlier one, wherever it stands); -D and -N with their numbers are read and set nothing.
void run_options();
// True when list entry k is an option word (its first character is "-" or "/").
bool run_is_option(int k);
// Input names, on-disk names and kind of the file at list position k.
void run_file_names(int k);
// The same for a file given by its two names directly (velmora-report's own argument words). Where
// the system could not spell the UTF-16 name in its ANSI code page, the ANSI name is not searched for
// (its "?" would match other files as wildcards): the ANSI on-disk name is then the UTF-16 one in
// Shift-JIS, "?" for what it cannot spell.
void run_file_names_of(const char* input, const char16_t* input_w);
// The page's path line for the file just named, instead of its ANSI name: velmora-report's name of a
// file as the user reads it (natively a Shift-JIS host name decoded). Shift-JIS text that must last
// until run_check; run_file_names_of forgets it.
void run_set_path_line(const char* sjis);
// Name lists, alias file, vocabularies, the readers, the page and the summary. A file that neither
// reader reads is an empty motion: the usage records and the motion's model name are cleared, the
// model tables kept.
// The alias file is tried by alias_path (rsexists) and then by alias_path_w (rsexistsW); a null path is
// not tried, so two nulls mean no alias file.
void run_check(const char* alias_path, const char16_t* alias_path_w);
// Or-s a value into the exit code.
void run_exit_or(int32_t bits);
// Sets the font failed flag of the current file.
void run_set_font_failed(bool failed);
