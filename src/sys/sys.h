// sys.h: the platform seam. The few system answers that the portable code needs, with a Win32
// implementation (sys_win32.cpp) and a POSIX one (sys_posix.cpp).
//
// The POSIX half behaves like a Japanese Windows: ANSI strings are Shift-JIS (code page 932), the
// ANSI lead-byte test is code page 932's, a UTF-16 path opens by converting it to the host's file name
// (UTF-8, and the host's own bytes where the name is not UTF-8: sys_utf16_from_host), and an ANSI path
// opens as Windows would open it (Shift-JIS to UTF-16 to the host name).
// The language answers are those of a Japanese system unless overridden for a test.
//
// UTF-16 text is char16_t throughout; the Win32 half hands it to the wide calls as wchar_t.
#pragma once
#include <cstdint>
#include <cstdio>

// ---- Code pages and language ----------------------------------------------------------------------

// True when b begins a double-byte character in the active ANSI code page (IsDBCSLeadByte).
// Natively: code page 932's rule, 0x81 to 0x9F and 0xE0 to 0xFC.
bool sys_is_dbcs_lead(unsigned char b);

// GetUserDefaultLangID, GetConsoleOutputCP, GetOEMCP, GetACP. Natively 0x0411, 932, 932, 932.
unsigned sys_user_lang();
unsigned sys_console_output_cp();
unsigned sys_oem_cp();
unsigned sys_ansi_cp();

// The UTF-16 string in the system's ANSI code page, as the system converts it for the ANSI forms of
// the command line and of dropped names (WideCharToMultiByte; natively utf16_to_sjis, which the
// POSIX half's ANSI command line is made with). Returns 1 when the conversion had to use its default
// character for something the code page cannot spell (the ANSI form then names something else, or
// nothing), else 0. dst (size bytes) always ends with a 0; a string that does not fit leaves it empty.
int sys_ansi_from_utf16(char* dst, int size, const char16_t* src);

#ifndef _WIN32
// Natively only: override the answers above (lang, ansi_cp; a code page other than 932 makes the
// lead-byte test answer false for every byte, as a Western Windows does).
void sys_set_locale_for_test(unsigned lang, unsigned ansi_cp);
#endif

// ---- Time, directories, command line ---------------------------------------------------------------

void sys_sleep(unsigned ms);

// Current directory into dst (size units including the terminator), without a trailing separator.
// Returns its length, or 0 on failure (dst then holds an empty string).
int sys_current_dir(char* dst, int size);
int sys_current_dir_w(char16_t* dst, int size);

// The process's command line (GetCommandLineW / GetCommandLineA). Natively it is built from the
// words given to sys_set_command_line (UTF-8 words, each quoted when it holds a blank or is empty),
// the ANSI form being its Shift-JIS conversion with "?" for what code page 932 cannot spell.
const char16_t* sys_command_line_w();
const char* sys_command_line_a();
#ifndef _WIN32
void sys_set_command_line(int argc, const char* const* argv);
#endif
// Natively only: a host string (an argument word, a file name; bytes, UTF-8 as a rule) as Windows
// spells it in UTF-16: characters beyond the BMP as surrogate pairs. A byte that is not part of
// well-formed UTF-8 (a Shift-JIS name from a Japanese archive) becomes the lone low surrogate U+DC00 +
// byte (U+DC80 to U+DCFF), and so does a backslash that is the trail byte of such a Shift-JIS character
// (U+DC5C, as in ソ, 83 5C), so that it is not taken for a separator: the seam turns these units back
// into their bytes, and every host name opens by the UTF-16 name made of it. Writes at most units
// units with the terminator.
void sys_utf16_from_host(char16_t* dst, int units, const char* host);
// The bytes of a name (one part of a path) as the host stores them, for sorting names as the host
// orders them: natively the bytes it was made from (see sys_utf16_from_host), on Windows its UTF-8
// form. 0, or -1 when it does not fit in size bytes or names nothing (dst then empty).
int sys_host_bytes_w(char* dst, int size, const char16_t* name);
// A path as a user reads it, for what velmora-report prints: natively each part whose host bytes are
// not UTF-8 but are valid Shift-JIS is decoded as Shift-JIS, as a Japanese Windows names it (83 5F 83
// 93 83 58 is ダンス), and any other such byte shows as U+FFFD; on Windows a copy. Either way an unpaired
// surrogate shows as U+FFFD, so the result is well-formed UTF-16. Never longer than path; writes at most
// units units with the terminator.
void sys_shown_name_w(char16_t* dst, int units, const char16_t* path);

// The running program's own path, in Windows spelling (backslashes), into dst (size units). Returns its
// length, or 0 on failure (dst then holds an empty string).
int sys_program_path_w(char16_t* dst, int size);

// True when f writes to a terminal that shows colour escapes. On Windows a console, whose virtual
// terminal processing this turns on; false where the console refuses it (before Windows 10) and for NUL.
bool sys_is_terminal(FILE* f);

// ---- The console ---------------------------------------------------------------------------------------

// True when the process has a console of its own: one the system made for it alone (GetConsoleProcessList
// gives 1), as when Explorer starts a console program by a double click or by files dropped on its icon,
// and closes the window as soon as the program ends. False when it shares the console of the program
// that started it (a command prompt, a script) or has none. The environment variable VELMORA_CONSOLE
// decides instead when set: "own" true, "shared" false (tests). Natively false unless it says "own".
bool sys_console_own();
// True when standard input is a console, a keyboard (GetConsoleMode succeeds; natively a terminal), not
// a pipe, a file or NUL.
bool sys_stdin_console();
// Waits for a key on the console of standard input (a key pressed; natively one byte, read without
// waiting for a line end and without echo) and returns its character (a UTF-16 unit; natively the
// byte), 0 for a key without one; -1 at once when standard input gives nothing more.
int sys_wait_key();
// The folder for temporary files with a separator after it (GetTempPathW; natively $TMPDIR, else
// /tmp/), into dst (units units with the terminator). Its length, or 0 when there is none or it does
// not fit.
int sys_temp_dir_w(char16_t* dst, int units);
// Opens a document in the user's default program for it (ShellExecuteW with "open"; natively nothing
// is opened). When the environment variable VELMORA_OPEN_LOG names a file, appends the path (UTF-8)
// and a line feed to that file instead of opening anything: what the tests read. 0, or -1.
int sys_open_document_w(const char16_t* path);

// ---- Files by handle (UTF-16 path) -----------------------------------------------------------------

// A handle is an opaque non-negative number; SYS_NO_FILE marks none.
constexpr intptr_t SYS_NO_FILE = -1;

// Opens an existing file for reading, no sharing (CreateFileW, OPEN_EXISTING). SYS_NO_FILE on failure.
intptr_t sys_open_read_w(const char16_t* path);
// Reads up to count bytes. Returns the bytes read, 0 at the end, -1 on an error.
int sys_read(intptr_t h, void* buf, int count);
// Moves the file pointer (origin 0 start, 1 current, 2 end). Returns the new position or -1.
int64_t sys_seek(intptr_t h, int64_t offset, int origin);
void sys_close(intptr_t h);

// ---- Files as runtime streams ------------------------------------------------------------------------

// fopen by ANSI (Shift-JIS) path; by UTF-16 path (_wfopen). nullptr on failure. An ANSI path holding
// "?" or "*" opens nothing, as on Windows, where no name holds either: "?" is what the ANSI conversion
// writes for a character the code page cannot spell, and natively it must not open another file whose
// host name holds a real "?" (the UTF-16 path opens such a file).
FILE* sys_fopen(const char* path, const char* mode);
FILE* sys_fopen_w(const char16_t* path, const char* mode);
// Creates a file that must not exist yet and opens it for writing in binary mode, by UTF-16 path
// (CreateFileW with CREATE_NEW; natively open with O_CREAT | O_EXCL): an existing file is never
// opened, let alone overwritten. nullptr when the file exists or cannot be created.
FILE* sys_fcreate_new_w(const char16_t* path);
// Flushes the stream to the disk (fsync; _commit) and closes it. 0, or -1 when a write, the flush or
// the close failed (the stream is closed either way).
int sys_fclose_synced(FILE* f);
// Gives the file at from the name to, only when no file has that name: never replaces one. 0 moved
// (from is gone); 1 to exists (from stays); -1 the move failed (from stays).
int sys_move_new_w(const char16_t* from, const char16_t* to);
// Gives the file at from the name to, replacing a file of that name in one step (a reader sees the old
// file or the new one, never neither); a folder of that name is not replaced. 0 moved; -1 the move
// failed (from stays).
int sys_move_over_w(const char16_t* from, const char16_t* to);
// True when something (a file, a folder, a link, even a dangling one) has the name path; nothing is
// opened.
bool sys_name_taken_w(const char16_t* path);
// Deletes the file at path. 0, or -1.
int sys_remove_w(const char16_t* path);
// Creates the directory (its last part only) by UTF-16 path. 0 when it was made or already is a
// directory; -1 otherwise.
int sys_make_dir_w(const char16_t* path);

// ---- Directory search (FindFirstFileA/W) --------------------------------------------------------------

struct SysFindEntry {
  char name[260];       // ANSI search: the entry's name; wide search: empty
  char16_t wname[260];  // wide search: the entry's name; ANSI search: empty
  bool is_dir;
};
// Opens a search for pattern (a path whose last part may hold * and ?) and fills e with the first
// entry. Returns a search handle, or SYS_NO_FILE when nothing matches. Natively a last part without *
// or ? is looked up by its exact name first, so that its cost does not grow with the folder; the
// folder is listed only when that fails (the name in another letter case) or for the entries after it.
intptr_t sys_find_first(const char* pattern, SysFindEntry* e);
intptr_t sys_find_first_w(const char16_t* pattern, SysFindEntry* e);
// Next entry of the same search: 0, or -1 when there is none.
int sys_find_next(intptr_t h, SysFindEntry* e);
void sys_find_close(intptr_t h);

// ---- Folders ----------------------------------------------------------------------------------------------

// The identity of the real folder at path (links followed): two paths of one folder give the same id.
// 0, or -1 when path names no folder (nothing, a file, or a path the platform cannot take).
int sys_folder_id_w(const char16_t* path, uint64_t id[2]);
// What a folder entry is, links followed: a file (a regular file, or a link that leads nowhere, which
// then fails to open as a missing file does), a folder, or something else that exists (a FIFO, a socket,
// a device: opening one may wait forever or read without end). Windows lists files and folders only.
constexpr int SYS_ENTRY_FILE = 0;
constexpr int SYS_ENTRY_FOLDER = 1;
constexpr int SYS_ENTRY_SPECIAL = 2;
// Calls entry once for every entry of the folder at path (without "." and ".."), in the order the
// platform gives them: its name (at most 259 units; longer names are skipped) and what it is
// (SYS_ENTRY_*). 0 listed (perhaps nothing), -1 the folder cannot be read.
int sys_list_folder_w(const char16_t* path, void (*entry)(const char16_t* name, int kind, void* arg), void* arg);
