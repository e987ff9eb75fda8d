// fuzz_names.cpp: libFuzzer target: the name matcher and the name store: add, find or add, groups,
// alias entries and the renaming walk, over the built-in vocabularies and over names of the input.
//
// Input: lines separated by line feeds; the first byte of a line says what to do with the rest:
//   0 mod 5  add it as a pattern to the morph list, and as an alias entry to list 0 (the byte after a tab
//            is the mode: F 255, L 1, else 0; what follows is the replacement)
//   1 mod 5  find or add it on the morph list and on the bone list (both with their vocabularies)
//   2 mod 5  rename it through list 0 into buffers of several exact sizes
//   3 mod 5  start a group on the morph list
//   4 mod 5  match it against every entry of the morph list, and look at entries around its ends
// Whether an entry's pattern takes a name is asked of find or add itself, on the morph alias list (the
// scratch list: emptied before each use) holding that pattern alone; an alias entry's mode is shown there
// the same way. Checked: find or add returns the highest entry whose pattern matches, or adds the name
// last; every entry matches its own name; a name longer than 63 bytes is refused; an entry out of range
// reads as ""; groups stay within 15; an alias entry renames its own pattern to its replacement and
// keeps its mode; renaming ends inside its buffer and shorter buffers hold prefixes.
#include <cstdint>
#include <cstring>
#include <string>

#include "check/names.h"
#include "check/vocab.h"
#include "fuzz_common.h"

namespace {

constexpr int LIST_FUZZ = LIST_MORPHS;
constexpr int LIST_SCRATCH = LIST_MORPH_ALIAS;

// 0 when entry k of list takes name, -1 when not.
int fuzz_match(int list, const std::string& name, int k) {
  FUZZ_CHECK(names_truncate(LIST_SCRATCH, 0) == 0, "the scratch list cannot be emptied");
  FUZZ_CHECK(names_add(LIST_SCRATCH, names_entry(list, k)) == 1, "entry %d cannot be copied", k);
  return names_find_or_add(LIST_SCRATCH, name.c_str()) == 1 ? 0 : -1;
}

void check_find_or_add(int list, const std::string& name) {
  int before = names_count(list);
  int e = names_find_or_add(list, name.c_str());
  int after = names_count(list);
  FUZZ_CHECK(e >= 0 && e <= after, "find or add gave %d of %d", e, after);
  if (after == before + 1) {
    FUZZ_CHECK(e == after, "added as %d, count %d", e, after);
    for (int k = 1; k < e; k++) FUZZ_CHECK(fuzz_match(list, name, k) != 0, "entry %d matched but the name was added", k);
    FUZZ_CHECK(std::string(names_entry(list, e)) == name, "added entry holds another name");
  } else {
    FUZZ_CHECK(after == before, "count went from %d to %d", before, after);
    if (e == 0) {
      FUZZ_CHECK(name.size() > NAME_BYTES - 1 || after == NAME_ENTRIES, "nothing added and nothing found");
      return;
    }
    FUZZ_CHECK(fuzz_match(list, name, e) == 0, "entry %d found but does not match", e);
    for (int k = e + 1; k <= after; k++) FUZZ_CHECK(fuzz_match(list, name, k) != 0, "higher entry %d matches", k);
  }
}

void check_rename(const std::string& name) {
  static const int sizes[] = {1024, 64, 16, 3, 1};
  std::string longest;
  for (int size : sizes) {
    FuzzBlock out((size_t)size);
    names_rename(LIST_BONE_ALIAS, name.c_str(), out.c(), size);
    size_t len = strnlen(out.c(), (size_t)size);
    FUZZ_CHECK(len < (size_t)size, "rename into %d bytes without terminator", size);
    std::string got(out.c(), len);
    if (size == 1024) longest = got;
    else FUZZ_CHECK(longest.compare(0, got.size(), got) == 0, "rename into %d bytes is no prefix", size);
  }
  // A list without alias tables copies the name.
  FuzzBlock plain(name.size() + 1);
  names_rename(LIST_FUZZ, name.c_str(), plain.c(), (int)name.size() + 1);
  FUZZ_CHECK(std::strcmp(plain.c(), name.c_str()) == 0, "renaming through a plain list changed the name");
}

// The newest alias entry (pattern, replacement, mode) of list 0 is tried first, so its own pattern renames
// to its replacement, cut to 63 bytes. Alone on the scratch list, the entry shows its mode after a byte
// that starts no character: mode 1 renames the end of such a name, mode 255 never does.
void check_alias(const std::string& pattern, const std::string& replacement, uint8_t mode) {
  if (pattern.empty()) return;  // an empty pattern never applies
  const std::string cut = replacement.substr(0, NAME_BYTES - 1);
  char out[256];
  names_rename(LIST_BONE_ALIAS, pattern.c_str(), out, sizeof out);
  FUZZ_CHECK(out == cut, "the newest entry's pattern renamed to %d bytes", (int)std::strlen(out));
  if (mode == ALIAS_PLAIN) return;
  FUZZ_CHECK(names_truncate(LIST_SCRATCH, 0) == 0, "the scratch list cannot be emptied");
  FUZZ_CHECK(names_add(LIST_SCRATCH, pattern.c_str()) == 1, "the pattern cannot be copied");
  FUZZ_CHECK(names_alias_set(LIST_SCRATCH, 1, replacement.c_str(), mode) == 0, "alias set refused");
  const std::string name = "\x01" + pattern;
  names_rename(LIST_SCRATCH, name.c_str(), out, sizeof out);
  const std::string want = mode == ALIAS_LAST ? "\x01" + cut : name;
  FUZZ_CHECK(out == want, "mode %d: \\x01 and the pattern renamed to %d bytes", mode, (int)std::strlen(out));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  names_init();
  names_register_builtin();
  const char* p = reinterpret_cast<const char*>(data);
  const char* end = p + size;
  while (p < end) {
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', (size_t)(end - p)));
    const char* stop = nl != nullptr ? nl : end;
    if (stop == p) {
      p = stop + 1;
      continue;
    }
    const int cmd = (unsigned char)p[0] % 5;
    std::string rest(p + 1, stop);  // may hold 0 bytes: the store sees what precedes the first
    std::string name(rest.c_str());
    p = stop + 1;
    switch (cmd) {
      case 0: {
        size_t tab = name.find('\t');
        std::string pattern = name.substr(0, tab);
        std::string tail = tab == std::string::npos ? "" : name.substr(tab + 1);
        uint8_t mode = ALIAS_PLAIN;
        if (!tail.empty() && tail[0] == 'F') mode = ALIAS_FULL;
        if (!tail.empty() && tail[0] == 'L') mode = ALIAS_LAST;
        std::string replacement = tail.empty() ? "R" : tail.substr(1);
        int before = names_count(LIST_FUZZ);
        int e = names_add(LIST_FUZZ, pattern.c_str());
        if (pattern.size() > NAME_BYTES - 1) FUZZ_CHECK(e == 0 && names_count(LIST_FUZZ) == before, "a long name was stored");
        else FUZZ_CHECK(e == before + 1, "add gave %d after %d", e, before);
        int a = names_add(LIST_BONE_ALIAS, pattern.c_str());
        if (a > 0) {
          FUZZ_CHECK(names_alias_set(LIST_BONE_ALIAS, a, replacement.c_str(), mode) == 0, "alias set refused");
          check_alias(pattern, replacement, mode);
        }
        FUZZ_CHECK(names_alias_set(LIST_FUZZ, 1, "x", 0) == -1, "alias set on a plain list");
        break;
      }
      case 1:
        check_find_or_add(LIST_FUZZ, name);
        check_find_or_add(LIST_BONES, name);
        break;
      case 2:
        check_rename(name);
        break;
      case 3: {
        int groups = names_group_count(LIST_FUZZ);
        int r = names_start_group(LIST_FUZZ);
        FUZZ_CHECK(r == (groups < NAME_GROUPS ? 0 : -1), "start group %d with %d groups", r, groups);
        FUZZ_CHECK(names_group_count(LIST_FUZZ) <= NAME_GROUPS, "more than 15 groups");
        break;
      }
      default: {
        int count = names_count(LIST_FUZZ);
        for (int e = 1; e <= count; e++) {
          fuzz_match(LIST_FUZZ, name, e);  // the input name against every pattern, under the sanitizers
          FUZZ_CHECK(fuzz_match(LIST_FUZZ, names_entry(LIST_FUZZ, e), e) == 0, "entry %d does not match itself", e);
          int g = names_group_of(LIST_FUZZ, e);
          FUZZ_CHECK(g >= 1 && g <= names_group_count(LIST_FUZZ), "group of %d is %d", e, g);
        }
        for (int e : {-1, 0, count + 1, 70000}) {
          FUZZ_CHECK(names_entry(LIST_FUZZ, e)[0] == 0, "entry %d out of range is not empty", e);
          FUZZ_CHECK(names_group_of(LIST_FUZZ, e) == 0, "group out of range");
        }
        if (count > 0) FUZZ_CHECK(strnlen(names_entry(LIST_FUZZ, count), NAME_BYTES) < NAME_BYTES, "last entry");
        break;
      }
    }
  }
  return 0;
}
