// paths.h: path and file-name operations, in ANSI (Shift-JIS, lead bytes by the system's ANSI test)
// and UTF-16 form. Every operation writes into a buffer the caller gives with its capacity, never
// past it, and ends its output with a 0.
#pragma once
#include <cstdint>

// Up to and including the last backslash; empty without one. Returns 0.
int path_dir(char* dst, int dst_size, const char* src);
int path_dir_w(char16_t* dst, int dst_units, const char16_t* src);
// What follows the last backslash or slash; the whole string without either. Returns 0.
int path_name(char* dst, int dst_size, const char* src);
int path_name_w(char16_t* dst, int dst_units, const char16_t* src);
// Everything before the last dot; the whole string without one. Returns 0.
int path_body(char* dst, int dst_size, const char* src);
int path_body_w(char16_t* dst, int dst_units, const char16_t* src);
// From the last dot (included) to the end; empty without one. Returns -1 when a dot was found, 0 when not.
int path_ext(char* dst, int dst_size, const char* src);
int path_ext_w(char16_t* dst, int dst_units, const char16_t* src);
// Removes one trailing backslash or slash in place, unless the path is a drive root (C:\) or a lone
// separator; cuts the path to 259 characters. Returns 0.
int path_strip_sep(char* path);
int path_strip_sep_w(char16_t* path);
// First entry of a directory search for path that is not a directory (the next entry when the first
// is one). 0 found (dst holds the entry's name), -1 nothing found, -2 the first two are directories.
int find_file_name(char* dst, int dst_size, const char* path);
int find_file_name_w(char16_t* dst, int dst_units, const char16_t* path);
// 0 when prefix begins str (a to z compared as A to Z), -1 when not.
int prefix_nocase(const char* str, const char* prefix);
int prefix_nocase_w(const char16_t* str, const char16_t* prefix);
// Field n (from 0) of a ";"-separated list: 0, or -1 with an empty output when the list has fewer fields.
int list_field(char* dst, int dst_size, const char* list, int n);
