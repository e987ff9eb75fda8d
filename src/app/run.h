// run.h: the run sequence's portable steps: the language flags, the program directory, the options
// pass, and for each file argument its names, its kind and the check phases. The Win32 entry
// (main_win32.cpp) and velmora-report (report_main.cpp) run the same per-file loop around them; the
// entry adds the message boxes, the open dialog, the font and the display loop.
#pragma once
#include <cstdint>
#include <string>

#include "formats/filechan.h"

constexpr int RUN_PATH = 260;  // program directory and on-disk names, in units
constexpr int RUN_WORD = 4096; // units of a velmora-report file word that are used; no file name is that long

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

// velmora.exe's per-file state, set up afresh for every file argument.
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
// Name lists, alias file, vocabularies, the readers, the page and the summary. A file that neither
// reader reads is an empty motion: the usage records and the motion's model name are cleared, the
// model tables kept.
// The alias file is tried by alias_path (rsexists) and then by alias_path_w (rsexistsW); a null path is
// not tried, so two nulls mean no alias file.
void run_check(const char* alias_path, const char16_t* alias_path_w);

// ---- velmora-report's files ---------------------------------------------------------------------------
//
// velmora-report names each file once, where it takes the argument or the folder entry, in a FilePath
// that it hands to the check, the fitted copy and the picture; FileState stays velmora.exe's.

struct FilePath {
  std::u16string w;          // the UTF-16 spelling, as given
  std::string ansi;          // the ANSI spelling the system makes of it (Shift-JIS)
  bool ansi_lossy;           // the system could not spell w in ANSI: the ANSI spelling is never opened
  std::string ondisk;        // the on-disk name the directory search gives, ANSI, or ""
  std::u16string ondisk_w;   // the same in UTF-16, or empty
  std::string host;          // the path's bytes on the host (natively; "" on Windows)
  std::string shown;         // the path as the user reads it, UTF-8 (a Shift-JIS host name decoded)
  std::string page_line;     // the page's path line (Shift-JIS) where the shown name differs from w, or ""
  std::u16string rel;        // the name a fitted copy takes: the file's name, or its path under a FOLDER
  bool is_vmd, is_pmx;       // the kind by the on-disk extension
  FileSpelling opened;       // the spelling the check read the file by (set by run_check_path): the ANSI
                             // one when it read the file, else the UTF-16 one it tried next (a file that
                             // is cut or not of its format fails both, and is read again by it); none
                             // when no reader ran
};

// The path of w (its first RUN_WORD - 1 units), with rel the name a fitted copy takes (empty: the last part of w). Asks the system for
// the ANSI spelling and the on-disk names.
void run_path_make(FilePath* p, const char16_t* w, const char16_t* rel);
// The file of p as the readers and writers below take it, to be opened by the spelling the check read
// it by (no ANSI spelling where it is lossy); valid while p is.
OpenedPath run_path_opened(const FilePath& p);
// The name lists once for a whole run of velmora-report: initialised, the alias file read by alias_path
// then alias_path_w (as run_check tries it), the built-in vocabularies registered. Returns true when an
// alias file was read. Every run_check_path after it starts from these lists.
bool run_names_ready(const char* alias_path, const char16_t* alias_path_w);
// velmora-report's check of one file: the lists as run_names_ready left them, the readers by the ANSI
// spelling (unless lossy) and then by the UTF-16 spelling, and when page is set the page and the
// summary text, as run_check does (a summary of a library needs neither). alias_found: what
// run_names_ready returned. Sets p->opened; returns the last reader's result (a ReadResult), or
// RUN_NO_READER.
int run_check_path(FilePath* p, bool alias_found, bool page);
// Or-s a value into the exit code.
void run_exit_or(int32_t bits);
// Sets the font failed flag of the current file.
void run_set_font_failed(bool failed);
