// names.h: the name lists. 16 numbered lists of Shift-JIS names, each name also a wildcard pattern,
// split into groups; the alias entries' replacements and modes; the built-in vocabularies; the
// renaming walk through an alias list.
#pragma once
#include <cstdint>

constexpr int NAME_LISTS = 16;       // lists 0 to 15
constexpr int NAME_ENTRIES = 16384;  // entries a list holds, numbered from 1
constexpr int NAME_BYTES = 64;       // a slot: a name of up to 63 bytes and its terminator
constexpr int NAME_GROUPS = 15;      // groups a list can have

// The lists in use.
constexpr int LIST_BONE_ALIAS = 0;   // bone alias entries (names to replace)
constexpr int LIST_BONES = 1;        // bone vocabulary, then the motion's bone names
constexpr int LIST_MORPHS = 2;       // morph vocabulary, then the motion's morph names
constexpr int LIST_MORPH_ALIAS = 3;  // morph alias entries

// Alias modes.
constexpr uint8_t ALIAS_PLAIN = 0, ALIAS_LAST = 1, ALIAS_FULL = 255;

// Every list: count 0, one group starting at entry 1; replacements and modes cleared.
void names_init();
// Appends name; returns its entry number, or 0 when the list is full or the name is longer than 63
// bytes (nothing is stored).
int names_add(int list, const char* name);
// The highest-numbered entry whose pattern matches name; if none, adds it as names_add does.
int names_find_or_add(int list, const char* name);
// 0 when entry's pattern matches the whole name, -1 otherwise (also for an entry out of range).
int names_match(int list, const char* name, int entry);
// Copies entry's name into buf (NAME_BYTES) and returns 0; -1 and buf untouched when out of range.
int names_get(int list, int entry, char* buf);
// The entry's name, or "" when out of range.
const char* names_entry(int list, int entry);
int names_count(int list);
// Closes the last group at the present count and opens the next: 0, or -1 with 15 groups.
int names_start_group(int list);
// The group of entry; 0 when out of range.
int names_group_of(int list, int entry);

// Stores an alias entry's replacement (cut to 63 bytes) and mode at entry's slot. 0, or -1 out of range.
int names_alias_set(int list, int entry, const char* replacement, uint8_t mode);
// Renames name through alias list (0 or 3) into out (out_size bytes, always terminated).
void names_rename(int list, const char* name, char* out, int out_size);

// Registers the built-in bone and morph vocabularies (after initialisation and the alias file).
void names_register_builtin();
