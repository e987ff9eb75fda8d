// names.h: the name lists. Four numbered lists of Shift-JIS names, each name also a wildcard pattern,
// split into groups; the alias entries' replacements and modes; the built-in vocabularies; the
// renaming walk through an alias list.
//
// Patterns: "*" accepts a rest of at least one byte (whatever follows it in the pattern is ignored),
// "?" one character (a double-byte one or a single byte), full-width "？" one double-byte character.
// Equal bytes are compared first, so a literal "*" or "?" in a name matches itself, and "？" does not
// match a character whose lead byte is 0x81. Lead bytes: 0x80 to 0x9F and 0xE0 to 0xFC.
#pragma once
#include <cstdint>

constexpr int NAME_LISTS = 4;        // lists 0 to 3, the four below
constexpr int NAME_ENTRIES = 16384;  // entries a list holds, numbered from 1
constexpr int NAME_BYTES = 64;       // a slot: a name of up to 63 bytes and its terminator
constexpr int NAME_GROUPS = 15;      // groups a list can have

// The lists.
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
// The highest-numbered entry whose pattern matches name; if none, adds it as names_add does (and so
// returns 0 when the list is full). Runs once per motion key: a plain scan from the top.
int names_find_or_add(int list, const char* name);
// The entry that names_find_or_add would give name now (the highest-numbered entry whose pattern
// matches it), or 0 when none does; adds nothing. A plain scan from the top, for a few names a motion.
int names_find(int list, const char* name);
// The entry's name, or "" when out of range.
const char* names_entry(int list, int entry);
int names_count(int list);
// The list's generation: it changes whenever an answer of names_find_or_add given before may change
// (initialisation, an added pattern, entries taken back), and not when a plain name is added (it
// matches only itself); never 0. Lets a reader keep answers of its own for as long as they hold.
uint32_t names_generation(int list);
// Takes back the entries above count (those a failed read added), so that the list is again as it was
// when it held count entries. A count at or above the present one changes nothing. 0, or -1 for a bad
// list or a count below the start of the last group (groups are never taken back).
int names_truncate(int list, int count);
// Closes the last group at the present count and opens the next: 0, or -1 with 15 groups.
int names_start_group(int list);
// The group of entry: the largest group whose start count is below entry; 0 when out of range.
int names_group_of(int list, int entry);
// Groups the list has (1 to 15); 0 for a list number out of range.
int names_group_count(int list);
// Entries that precede group (1 to the group count); -1 when out of range.
int names_group_start(int list, int group);

// Stores an alias entry's replacement (cut to 63 bytes) and mode at entry's slot of alias list 0 or 3.
// 0, or -1 for another list or an entry out of range.
int names_alias_set(int list, int entry, const char* replacement, uint8_t mode);
// An alias entry's replacement ("" out of range) and mode (-1 out of range).
const char* names_alias_replacement(int list, int entry);
int names_alias_mode(int list, int entry);
// Renames name through alias list (0 or 3) into out (out_size bytes, always terminated; a longer result
// is cut). At each position the entries are tried from the highest number down:
//   ALIAS_FULL (255): at the first byte only, when the whole name equals the pattern: the replacement
//                     is the output;
//   ALIAS_LAST (1):   when the rest of the name equals the pattern: the replacement is appended; done;
//   ALIAS_PLAIN (0):  when the rest matches the pattern as a whole ("*" accepts a rest of at least one
//                     byte): the replacement is appended; done. Else when the pattern is a prefix of the
//                     rest ("?" any one byte, "？" one double-byte character): the replacement is
//                     appended and the walk goes on after as many bytes as the pattern has.
// Where no entry applies one character is copied. Another list number copies the name unchanged.
void names_rename(int list, const char* name, char* out, int out_size);

