// names.cpp: the name store (see names.h): four numbered lists of Shift-JIS names, every name also a
// wildcard pattern, split into groups; the alias replacements and modes beside lists 0 and 3; the
// renaming walk.
//
// Records: names (the store, one static block, with the chains and patterns a scan looks at) and alias
// (replacement and mode tables of the two alias lists), written only here: names_init, names_add,
// names_truncate, names_start_group, names_alias_set.
// Limits: 4 lists, 16,384 entries a list (numbered from 1), 63 bytes a name, 15 groups a list. A name
// that does not fit a slot is refused, a full list takes nothing more, and every entry number is checked
// against the list's count before its slot is touched.
// Trust: names come from motion files, model files and the alias file; a name is any 0-terminated byte
// string. The matcher never reads past the terminator of either string, whatever their bytes.
#include "check/names.h"

#include <cstring>

#include "text/encoding.h"

struct NameList {
  int32_t count;                        // entries held, 0 to NAME_ENTRIES
  int32_t groups;                       // groups opened, 1 to NAME_GROUPS
  int32_t group_start[NAME_GROUPS + 1]; // [g]: entries before group g (index 0 unused)
};

// 4 lists x 16,384 slots x 64 bytes: 4 MiB, all in one static block; nothing is allocated.
static char names_slot[NAME_LISTS][NAME_ENTRIES][NAME_BYTES];
static NameList names_list[NAME_LISTS];

// The replacement and the mode of every alias entry, at the entry's slot. Only lists 0 and 3 have them.
constexpr int ALIAS_LISTS = 2;
static char alias_replacement[ALIAS_LISTS][NAME_ENTRIES][NAME_BYTES];
static uint8_t alias_mode[ALIAS_LISTS][NAME_ENTRIES];

static bool names_list_ok(int list) { return list >= 0 && list < NAME_LISTS; }

// ---- Where a scan looks --------------------------------------------------------------------------------
//
// A plain entry (without "*", "?" or "？") matches only a name equal to it; a pattern may match others.
// So beside each list: its plain entries chained by the hash of their name, newest first, and its
// patterns in order. A scan for the highest matching entry asks the name's chain for an equal entry and
// tries the patterns from the top, instead of matching every entry: a motion's names, each added for
// itself, no longer cost a match against every name added before them. Entries are taken back from the
// top only, so the one taken back is always the newest of its chain.
constexpr int NAMES_CHAINS = 4096;  // per list; a power of two
static int32_t names_chain_head[NAME_LISTS][NAMES_CHAINS];  // newest plain entry of a chain, 0 none
static int32_t names_chain_next[NAME_LISTS][NAME_ENTRIES];  // [e - 1]: the next older entry of e's chain
static int32_t names_patterns[NAME_LISTS][NAME_ENTRIES];    // the patterns' entry numbers, ascending
static int32_t names_pattern_count[NAME_LISTS];

static uint32_t names_chain_of(const char* name) {
  uint32_t h = 2166136261u;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p != 0; p++) h = (h ^ *p) * 16777619u;
  return h & (NAMES_CHAINS - 1);
}

// Index into the alias tables, or -1 for a list that has none.
static int names_alias_index(int list) {
  if (list == LIST_BONE_ALIAS) return 0;
  if (list == LIST_MORPH_ALIAS) return 1;
  return -1;
}

// ---- Recent names --------------------------------------------------------------------------------------
//
// A motion names the same hundred or so bones in every frame, and find-or-add is asked once per key. A
// name resolved before, on a list that has not changed since, resolves the same way: the scan finds the
// same highest matching entry. So each list keeps a small table from recently resolved names (up to 15
// bytes, the length of a motion's name field) to their entry numbers, valid for one generation of the
// list. Initialisation, and an added entry that is a pattern, start a new generation and so empty the
// table at once. What else changes a list touches only the slots it can make wrong:
//   - an entry without "*", "?" or "？" matches only a name equal to it, so adding one forgets only
//     that name's slot;
//   - entries taken back (names_truncate) leave every answer at or below the new count right, since an
//     answer is the highest matching entry; a slot whose answer was taken back is forgotten, unless its
//     entry was added for that very name (nothing below it matched): it then says that no entry up to
//     the new count matches, and only the entries added after it are scanned again. So a run that takes
//     a motion's names back for every file keeps the vocabularies' answers from file to file.
constexpr int RECENT_SLOTS = 1024;  // per list; a power of two
constexpr int RECENT_NAME = 16;     // a name of up to 15 bytes and its zero padding
constexpr int RECENT_PROBES = 8;    // slots looked at from a name's home slot

struct RecentName {
  char name[RECENT_NAME];  // the name, padded with 0 bytes
  int32_t entry;           // what find-or-add returned for it; 0: no entry up to floor matches it
  int32_t floor;           // with entry 0: the entries that do not match it are 1 to floor
  uint8_t added;           // entry was added for this name: no entry below it matched
  uint32_t generation;     // the list's generation when it was stored; 0 never matches
};
static RecentName recent[NAME_LISTS][RECENT_SLOTS];
static int32_t recent_high[NAME_LISTS];  // no slot of the list's generation holds a higher entry or floor
static uint32_t list_generation[NAME_LISTS];
static uint32_t generation_counter;

// names_generation's answer: every change that can alter an answer given before moves it on.
static uint32_t list_changes[NAME_LISTS] = {1, 1, 1, 1};
static uint32_t changes_counter = 1;

static void names_changed(int list) {
  if (++changes_counter == 0) changes_counter = 1;
  list_changes[list] = changes_counter;
}

uint32_t names_generation(int list) { return names_list_ok(list) ? list_changes[list] : 0; }

static void names_new_generation(int list) {
  names_changed(list);
  recent_high[list] = 0;
  if (++generation_counter == 0) {
    // After 2^32 generations: forget everything once so that no old slot can look current.
    std::memset(recent, 0, sizeof recent);
    generation_counter = 1;
  }
  list_generation[list] = generation_counter;
}

// Copies a name of up to 15 bytes into key, padded with 0 bytes; false for a longer name.
static bool names_recent_key(const char* name, char key[RECENT_NAME]) {
  int n = 0;
  while (n < RECENT_NAME && name[n] != 0) n++;
  if (n == RECENT_NAME) return false;
  std::memset(key, 0, RECENT_NAME);
  std::memcpy(key, name, (size_t)n);
  return true;
}

// The key's home slot: its two halves multiplied and folded, a few instructions for every key read.
static uint32_t names_recent_hash(const char key[RECENT_NAME]) {
  uint64_t a, b;
  std::memcpy(&a, key, 8);
  std::memcpy(&b, key + 8, 8);
  uint64_t h = a * 0x9E3779B97F4A7C15ull ^ (b + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
  return (uint32_t)(h >> 40) & (RECENT_SLOTS - 1);
}

// True when an entry can match a name other than itself: it holds "*", "?", or the bytes of "？".
static bool names_is_pattern(const char* name) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p != 0; p++) {
    if (*p == '*' || *p == '?' || (*p == 0x81 && p[1] == 0x48)) return true;
  }
  return false;
}

// The slot of key on list, or nullptr.
static RecentName* names_recent_slot(int list, const char key[RECENT_NAME]) {
  uint32_t home = names_recent_hash(key);
  for (int probe = 0; probe < RECENT_PROBES; probe++) {
    RecentName& slot = recent[list][(home + (uint32_t)probe) & (RECENT_SLOTS - 1)];
    if (slot.generation != list_generation[list]) return nullptr;
    if (std::memcmp(slot.name, key, RECENT_NAME) == 0) return &slot;
  }
  return nullptr;
}

// Forgets what the table says of name. A forgotten slot stays in its neighbourhood as a slot that holds
// no name, so that the names stored after it are still found.
static void names_recent_forget(int list, const char* name) {
  char key[RECENT_NAME];
  if (!names_recent_key(name, key)) return;
  RecentName* slot = names_recent_slot(list, key);
  if (slot != nullptr) {
    std::memset(slot->name, 0xFF, RECENT_NAME);  // no name's key: a key ends in 0 bytes
    slot->entry = 0;
    slot->floor = 0;
    slot->added = 0;
  }
}

void names_init() {
  // Only the alias entries in use were ever written (names_alias_set takes none beyond the count), so
  // clearing those leaves the tables all zero without touching their 2 MiB on every file.
  for (int a = 0; a < ALIAS_LISTS; a++) {
    int list = a == 0 ? LIST_BONE_ALIAS : LIST_MORPH_ALIAS;
    size_t used = (size_t)names_list[list].count;
    std::memset(alias_replacement[a], 0, used * NAME_BYTES);
    std::memset(alias_mode[a], 0, used);
  }
  for (int l = 0; l < NAME_LISTS; l++) names_new_generation(l);
  for (int l = 0; l < NAME_LISTS; l++) {
    NameList& nl = names_list[l];
    // The chains emptied as far as the entries filled them.
    for (int e = 1; e <= nl.count; e++) names_chain_head[l][names_chain_of(names_slot[l][e - 1])] = 0;
    names_pattern_count[l] = 0;
    nl.count = 0;
    nl.groups = 1;
    for (int g = 0; g <= NAME_GROUPS; g++) nl.group_start[g] = 0;
  }
}

int names_add(int list, const char* name) {
  if (!names_list_ok(list) || name == nullptr) return 0;
  NameList& nl = names_list[list];
  if (nl.count >= NAME_ENTRIES) return 0;
  size_t len = std::strlen(name);
  if (len > (size_t)NAME_BYTES - 1) return 0;
  std::memcpy(names_slot[list][nl.count], name, len + 1);
  nl.count++;
  // A pattern may match names resolved before; a plain name only itself.
  if (names_is_pattern(name)) {
    names_patterns[list][names_pattern_count[list]++] = nl.count;
    names_new_generation(list);
  } else {
    uint32_t chain = names_chain_of(name);
    names_chain_next[list][nl.count - 1] = names_chain_head[list][chain];
    names_chain_head[list][chain] = nl.count;
    names_recent_forget(list, name);
  }
  return nl.count;
}

// The wildcard match: 1 when pattern p accepts the whole name n. Rules in this order, at every byte:
//   1. equal bytes: both advance by one (so a literal "*" or "?" in the name matches itself, and a
//      pattern's double-byte character is compared byte by byte);
//   2. "*" with a name byte left: the rest of the name (at least one byte) is accepted;
//   3. "?" on a lead byte with a trail byte: the name advances by two, the pattern by one;
//   4. "?" on any other byte: both advance by one;
//   5. full-width "？" (0x81 0x48) on a lead byte with a trail byte: both advance by two;
//   6. anything else: no match.
// Because equal bytes are tried first, "？" never reaches its own rule for a character whose lead byte
// is 0x81: the lead bytes are consumed as equal and the 0x48 then fails against the trail byte.
// Lead bytes by the program's own rule (0x80 to 0x9F, 0xE0 to 0xFC). A name byte of 0 never equals a
// pattern byte, so neither string is read past its terminator.
static inline bool names_wild_match(const unsigned char* p, const unsigned char* n) {
  while (*p != 0) {
    unsigned char pc = *p, nc = *n;
    if (nc == pc) {
      p++;
      n++;
    } else if (pc == '*' && nc != 0) {
      return true;
    } else if (pc == '?' && is_lead_byte(nc) && n[1] != 0) {
      p++;
      n += 2;
    } else if (pc == '?' && nc != 0) {
      p++;
      n++;
    } else if (pc == 0x81 && p[1] == 0x48 && is_lead_byte(nc) && n[1] != 0) {
      p += 2;
      n += 2;
    } else {
      return false;
    }
  }
  return *n == 0;
}

// The scan itself: the highest-numbered matching entry above floor (the entries up to floor are known
// not to match), or 0: the highest plain entry equal to the name, or a higher pattern that matches it.
static int names_scan(int list, const char* name, int floor) {
  const unsigned char* n = (const unsigned char*)name;
  int best = 0;
  for (int e = names_chain_head[list][names_chain_of(name)]; e > floor; e = names_chain_next[list][e - 1]) {
    if (std::strcmp(names_slot[list][e - 1], name) == 0) {
      best = e;
      break;
    }
  }
  const int32_t* patterns = names_patterns[list];
  for (int i = names_pattern_count[list] - 1; i >= 0 && patterns[i] > floor && patterns[i] > best; i--) {
    if (names_wild_match((const unsigned char*)names_slot[list][patterns[i] - 1], n)) return patterns[i];
  }
  return best;
}

// The scan above floor, or the name added (*added set) when no entry matches.
static int names_scan_or_add(int list, const char* name, int floor, bool* added) {
  int e = names_scan(list, name, floor);
  *added = e == 0;
  return e != 0 ? e : names_add(list, name);
}

int names_find(int list, const char* name) {
  if (!names_list_ok(list) || name == nullptr) return 0;
  return names_scan(list, name, 0);
}

int names_find_or_add(int list, const char* name) {
  if (!names_list_ok(list) || name == nullptr) return 0;
  char key[RECENT_NAME];
  bool added;
  if (!names_recent_key(name, key)) return names_scan_or_add(list, name, 0, &added);
  // Open addressing over a few neighbouring slots; a slot of an older generation is free.
  uint32_t home = names_recent_hash(key);
  RecentName* slot = nullptr;
  for (int probe = 0; probe < RECENT_PROBES && slot == nullptr; probe++) {
    RecentName& at = recent[list][(home + (uint32_t)probe) & (RECENT_SLOTS - 1)];
    if (at.generation != list_generation[list]) {
      slot = &at;
    } else if (std::memcmp(at.name, key, RECENT_NAME) == 0) {
      if (at.entry > 0) return at.entry;
      slot = &at;  // it knows where no match is; the scan goes on above its floor
    }
  }
  // A slot of this name that knows only where no match is: the entries above its floor are scanned.
  int floor = slot != nullptr && slot->generation == list_generation[list] ? slot->floor : 0;
  int entry = names_scan_or_add(list, name, floor, &added);
  // Stored under the generation after the scan (an entry it added belongs to that generation); when
  // the neighbourhood is full, the home slot gives way.
  if (slot == nullptr) slot = &recent[list][home];
  std::memcpy(slot->name, key, RECENT_NAME);
  slot->entry = entry;
  // A full list adds nothing: no entry up to its count matches the name, and none will be scanned again.
  slot->floor = entry == 0 ? names_list[list].count : 0;
  slot->added = added && entry > 0 ? 1 : 0;
  slot->generation = list_generation[list];
  int32_t high = entry > slot->floor ? entry : slot->floor;
  if (high > recent_high[list]) recent_high[list] = high;
  return entry;
}

const char* names_entry(int list, int entry) {
  if (!names_list_ok(list) || entry < 1 || entry > names_list[list].count) return "";
  return names_slot[list][entry - 1];
}

int names_count(int list) { return names_list_ok(list) ? names_list[list].count : 0; }

int names_truncate(int list, int count) {
  if (!names_list_ok(list)) return -1;
  NameList& nl = names_list[list];
  if (count >= nl.count) return 0;
  if (count < nl.group_start[nl.groups]) return -1;
  // Taken back from the top: each entry is the newest of its chain, or the last pattern.
  for (int e = nl.count; e > count; e--) {
    const char* name = names_slot[list][e - 1];
    if (names_pattern_count[list] > 0 && names_patterns[list][names_pattern_count[list] - 1] == e) {
      names_pattern_count[list]--;
    } else {
      names_chain_head[list][names_chain_of(name)] = names_chain_next[list][e - 1];
    }
  }
  nl.count = count;
  // An empty list keeps nothing worth the sweep below: every slot goes at once.
  if (count == 0) {
    names_new_generation(list);
    return 0;
  }
  names_changed(list);
  if (recent_high[list] <= count) return 0;
  recent_high[list] = count;
  // Names resolved to the entries taken back resolve afresh; those added for themselves keep knowing
  // that nothing up to count matches them.
  for (RecentName& slot : recent[list]) {
    if (slot.generation != list_generation[list]) continue;
    if (slot.entry == 0 && slot.floor > count) slot.floor = count;
    if (slot.entry <= count) continue;
    if (slot.added) {
      slot.floor = count;
    } else {
      std::memset(slot.name, 0xFF, RECENT_NAME);
      slot.floor = 0;
    }
    slot.entry = 0;
    slot.added = 0;
  }
  return 0;
}

int names_start_group(int list) {
  if (!names_list_ok(list)) return -1;
  NameList& nl = names_list[list];
  if (nl.groups >= NAME_GROUPS) return -1;
  nl.groups++;
  nl.group_start[nl.groups] = nl.count;
  return 0;
}

int names_group_count(int list) { return names_list_ok(list) ? names_list[list].groups : 0; }

int names_group_of(int list, int entry) {
  if (!names_list_ok(list)) return 0;
  const NameList& nl = names_list[list];
  if (entry < 1 || entry > nl.count) return 0;
  for (int g = nl.groups; g >= 1; g--) {
    if (nl.group_start[g] < entry) return g;
  }
  return 0;  // not reached: group 1 starts after 0 entries
}

// ---- Alias entries ------------------------------------------------------------------------------------

int names_alias_set(int list, int entry, const char* replacement, uint8_t mode) {
  int a = names_alias_index(list);
  if (a < 0 || replacement == nullptr || entry < 1 || entry > names_list[list].count) return -1;
  char* slot = alias_replacement[a][entry - 1];
  size_t len = std::strlen(replacement);
  if (len > (size_t)NAME_BYTES - 1) len = NAME_BYTES - 1;
  std::memcpy(slot, replacement, len);
  slot[len] = 0;
  alias_mode[a][entry - 1] = mode;
  return 0;
}

// Mode 0, whole rest: equal bytes, or a "*" that accepts a remaining rest of at least one byte.
static bool names_rest_whole(const unsigned char* p, const unsigned char* n) {
  while (*p != 0) {
    if (*n == *p) {
      p++;
      n++;
    } else if (*p == '*' && *n != 0) {
      return true;
    } else {
      return false;
    }
  }
  return *n == 0;
}

// Mode 0, prefix: the pattern is a prefix of the rest, where "?" accepts any one byte (not the end)
// and full-width "？" one double-byte character. Equal bytes are tried first, as in the matcher.
static bool names_rest_prefix(const unsigned char* p, const unsigned char* n) {
  while (*p != 0) {
    if (*n == *p) {
      p++;
      n++;
    } else if (*p == '?' && *n != 0) {
      p++;
      n++;
    } else if (p[0] == 0x81 && p[1] == 0x48 && is_lead_byte(*n) && n[1] != 0) {
      p += 2;
      n += 2;
    } else {
      return false;
    }
  }
  return true;
}

// Appends the bytes s (len of them) to out at *used, as far as out_size - 1 allows.
static void names_out_append(char* out, int out_size, int* used, const char* s, size_t len) {
  while (len > 0 && *used < out_size - 1) {
    out[(*used)++] = *s++;
    len--;
  }
  out[*used] = 0;
}

// The renaming walk. At each position the alias entries are tried from the highest number down:
//   mode 255: only at the first byte and only for an exact whole-name match; output = replacement, end;
//   mode 1:   the rest equals the pattern exactly; replacement appended, end;
//   mode 0:   the rest matches as a whole (with "*"): replacement appended, end; or the pattern is a
//             prefix of the rest (with "?" and "？"): replacement appended, the position moves past as
//             many bytes as the pattern has, and the search starts again there.
// Where no entry applies one character is copied (two bytes for a lead byte with its trail byte).
// Every step moves the position forward (empty patterns never apply), so the walk ends.
void names_rename(int list, const char* name, char* out, int out_size) {
  if (out == nullptr || out_size <= 0) return;
  out[0] = 0;
  if (name == nullptr) return;
  int used = 0;
  int a = names_alias_index(list);
  int count = a < 0 ? 0 : names_list[list].count;
  const unsigned char* whole = (const unsigned char*)name;
  size_t pos = 0;
  while (name[pos] != 0) {
    const unsigned char* rest = whole + pos;
    bool applied = false;
    for (int e = count; e >= 1 && !applied; e--) {
      const char* pat = names_slot[list][e - 1];
      if (pat[0] == 0) continue;
      const char* rep = alias_replacement[a][e - 1];
      uint8_t mode = alias_mode[a][e - 1];
      if (mode == ALIAS_FULL) {
        if (pos == 0 && std::strcmp(name, pat) == 0) {
          used = 0;
          names_out_append(out, out_size, &used, rep, std::strlen(rep));
          return;
        }
      } else if (mode == ALIAS_LAST) {
        if (std::strcmp((const char*)rest, pat) == 0) {
          names_out_append(out, out_size, &used, rep, std::strlen(rep));
          return;
        }
      } else {
        const unsigned char* p = (const unsigned char*)pat;
        if (names_rest_whole(p, rest)) {
          names_out_append(out, out_size, &used, rep, std::strlen(rep));
          return;
        }
        if (names_rest_prefix(p, rest)) {
          names_out_append(out, out_size, &used, rep, std::strlen(rep));
          pos += std::strlen(pat);
          applied = true;
        }
      }
    }
    if (applied) continue;
    size_t width = is_lead_byte(whole[pos]) && whole[pos + 1] != 0 ? 2 : 1;
    names_out_append(out, out_size, &used, name + pos, width);
    pos += width;
  }
}

