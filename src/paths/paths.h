// paths.h: path and file-name operations, in ANSI (Shift-JIS, lead bytes by the system's ANSI test)
// and UTF-16 form. Every operation writes into a buffer the caller gives with its capacity, never
// past it, and ends its output with a 0 (when the capacity is at least 1). An output that does not
// fit is cut before the first character that does not fit whole.
//
// The ANSI forms walk the string character by character and skip the trail byte of every two-byte
// character, so a trail byte 0x5C, "/", "." or ";" is never a separator. The UTF-16 forms compare
// code units.
#pragma once
#include <cstdint>

// The platform's own separator, which the names velmora-report makes use: "\" on Windows, "/" elsewhere.
// Both are separators wherever a path is read.
#ifdef _WIN32
constexpr char16_t PATH_SEP_W = u'\\';
#else
constexpr char16_t PATH_SEP_W = u'/';
#endif
inline bool path_is_sep_w(char16_t c) { return c == u'\\' || c == u'/'; }
// Whether the platform's file names are one name whatever the case of their letters (Windows: "A.vmd"
// and "a.vmd" name one file); elsewhere they are two.
#ifdef _WIN32
constexpr bool PATH_NAMES_FOLD_CASE = true;
#else
constexpr bool PATH_NAMES_FOLD_CASE = false;
#endif
// dir, the platform's separator unless dir is empty or ends in a separator, and name, into dst
// (dst_units units with the terminator). 0, or -1 when it would not fit (dst is then empty).
int path_join_w(char16_t* dst, int dst_units, const char16_t* dir, const char16_t* name);
// Makes every folder of path up to its last separator (the folder a file at path goes into), those that
// exist already left as they are; a drive root ("C:\\") and doubled separators make nothing. 0, or -1
// when one cannot be made or path is longer than 1,023 units.
int path_make_folders_w(const char16_t* path);

// path as an absolute path into dst (dst_units units with the terminator): as it is when it begins at a
// root ("/", "\\" or a drive, "C:"), else the current folder, the platform's separator and path. 0, or
// -1 when it does not fit or the current folder cannot be had.
int path_absolute_w(char16_t* dst, int dst_units, const char16_t* path);
// The folder of a path: up to and including its last separator of either kind ("\\" or "/"). 0, or -1
// with dst empty when it has none or the folder does not fit.
int path_folder_w(char16_t* dst, int dst_units, const char16_t* path);

// The path of to relative to the folder from_dir, both absolute ("/..." or "C:\\..."; "." and ".."
// parts are resolved): "../" for each of from_dir's parts that to does not share, then to's own parts,
// "/" between them, into dst (dst_units units with the terminator). 0, or -1 when it would not fit, or
// when the two have no common root (another drive): dst is then empty.
int path_relative_w(char16_t* dst, int dst_units, const char16_t* from_dir, const char16_t* to);
// The name of a folder: of the folder path names, or with file set of the folder that holds the file at
// path; path made absolute against the current folder first ("." parts dropped, ".." taken back). 0,
// or -1 with dst empty when that folder is a root (it has no name) or the name does not fit.
int path_folder_name_w(char16_t* dst, int dst_units, const char16_t* path, bool file);

// Shift-JIS to UTF-16 as sjis_to_utf16_by (encoding.h) with the system's lead-byte test: how an ANSI
// name is spelled for the system's wide calls. Returns the number of input bytes taken.
int sjis_to_utf16(char16_t* dst, int dst_units, const char* src);

// Up to and including the last backslash; empty without one. Returns 0.
int path_dir(char* dst, int dst_size, const char* src);
int path_dir_w(char16_t* dst, int dst_units, const char16_t* src);
// What follows the last backslash or slash; the whole string without either. Returns 0.
int path_name(char* dst, int dst_size, const char* src);
int path_name_w(char16_t* dst, int dst_units, const char16_t* src);
// The last part of a path (path_name_w) without its extension: up to its last dot, unless that dot
// begins it (".vmd" stays as it is). Returns 0.
int path_stem_w(char16_t* dst, int dst_units, const char16_t* src);
// From the last dot (the dot search covers the whole string, directory included) (included) to the end; empty without one. Returns -1 when a dot was found, 0 when not.
int path_ext(char* dst, int dst_size, const char* src);
int path_ext_w(char16_t* dst, int dst_units, const char16_t* src);
// Removes one trailing backslash or slash in place, unless the path is a drive root (a letter and a
// colon, then at most one separator: C:\ stays) or a lone separator; cuts the path to 259 characters
// (bytes or units, never inside a character). Returns 0.
int path_strip_sep(char* path);
int path_strip_sep_w(char16_t* path);
// find_file_name's results.
enum FindResult : int {
  FIND_FOUND = 0,             // dst holds the name
  FIND_NOTHING = -1,          // nothing found, or a directory and nothing after it
  FIND_TWO_DIRECTORIES = -2,  // the first two entries are directories
};
// The name (without directory) of the first entry of a directory search for path (which may hold *
// and ?) that is not a directory: when the first entry is a directory, the next entry is taken. A
// FindResult; dst is empty unless FIND_FOUND. The search is closed on every outcome.
int find_file_name(char* dst, int dst_size, const char* path);
int find_file_name_w(char16_t* dst, int dst_units, const char16_t* path);
// 0 when prefix begins str (a to z compared as A to Z; both bytes of a two-byte character compared
// exactly), -1 when not. An empty prefix begins every string.
int prefix_nocase(const char* str, const char* prefix);
int prefix_nocase_w(const char16_t* str, const char16_t* prefix);
// Field n (from 0) of a ";"-separated list: 0, or -1 with an empty output when the list has fewer
// fields (or n is negative). A ";" that ends the list begins an empty last field.
int list_field(char* dst, int dst_size, const char* list, int n);
