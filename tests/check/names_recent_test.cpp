// Find-or-add remembers resolved names; every change of a list must make it resolve afresh, exactly as
// the scan from the highest entry would.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/names.h"

TEST(NamesRecent, ANewPatternTakesOverNamesResolvedBefore) {
  names_init();
  int abc = names_find_or_add(LIST_BONES, "abc");
  EXPECT_EQ(names_find_or_add(LIST_BONES, "abc"), abc);
  int pattern = names_find_or_add(LIST_BONES, "ab*");
  EXPECT_EQ(pattern, abc + 1);
  EXPECT_EQ(names_find_or_add(LIST_BONES, "abc"), pattern);
  // A plain add (as the vocabularies and the alias file do) counts too.
  int q = names_add(LIST_BONES, "a?c");
  EXPECT_EQ(names_find_or_add(LIST_BONES, "abc"), q);
  // Other lists keep what they resolved.
  int m = names_find_or_add(LIST_MORPHS, "abc");
  names_add(LIST_BONES, "*");
  EXPECT_EQ(names_find_or_add(LIST_MORPHS, "abc"), m);
}

TEST(NamesRecent, InitialisationForgetsEverything) {
  names_init();
  int first = names_find_or_add(LIST_BONES, "x1");
  names_init();
  names_add(LIST_BONES, "pad");
  EXPECT_EQ(names_find_or_add(LIST_BONES, "x1"), first + 1);
}

TEST(NamesRecent, ManyNamesOneGeneration) {
  // 3,000 names that all resolve to one pattern, in one generation of the list: more than the table
  // holds, so slots give way, and every answer stays the pattern's entry.
  names_init();
  int pattern = names_add(LIST_BONES, "hair*");
  for (int round = 0; round < 2; round++) {
    for (int i = 0; i < 3000; i++) {
      std::string name = "hair" + std::to_string(i);
      ASSERT_EQ(names_find_or_add(LIST_BONES, name.c_str()), pattern) << name;
    }
  }
  EXPECT_EQ(names_count(LIST_BONES), 1);
}

TEST(NamesRecent, LongNamesAndAFullList) {
  names_init();
  std::string longer(40, 'L');  // longer than a motion's name field: resolved by the scan alone
  int e = names_find_or_add(LIST_BONES, longer.c_str());
  EXPECT_EQ(names_find_or_add(LIST_BONES, longer.c_str()), e);
  for (int i = names_count(LIST_BONES); i < NAME_ENTRIES; i++) names_add(LIST_BONES, ("f" + std::to_string(i)).c_str());
  EXPECT_EQ(names_count(LIST_BONES), NAME_ENTRIES);
  EXPECT_EQ(names_find_or_add(LIST_BONES, "new one"), 0);
  EXPECT_EQ(names_find_or_add(LIST_BONES, "new one"), 0);
  EXPECT_EQ(names_find_or_add(LIST_BONES, "f20"), 21 + 0);  // f20 was added as entry 21 (after the long name)
}

TEST(NamesRecent, EveryAnswerIsTheScansAcrossAddsAndTruncations) {
  // A run of velmora-report takes each motion's names back and keeps the vocabularies' answers. Over a
  // pseudo-random mix of finds, plain and pattern adds and truncations, every answer must be what a
  // list built afresh from the same entries gives (its first lookup is a plain scan).
  static const char* const NAMES[] = {"ab", "ac", "a*", "?b", "b", "bb", "c?", "cc", "abc", "x"};
  std::vector<std::string> entries;  // the list as it should be
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  names_init();
  for (int step = 0; step < 400; step++) {
    uint32_t op = next(10);
    const char* name = NAMES[next(10)];
    if (op == 0) {
      int keep = (int)next((uint32_t)entries.size() + 1);
      ASSERT_EQ(names_truncate(LIST_BONES, keep), 0);
      entries.resize((size_t)keep);
    } else if (op == 1) {
      names_add(LIST_BONES, name);
      entries.push_back(name);
    } else {
      int got = names_find_or_add(LIST_BONES, name);
      if (got == (int)entries.size() + 1) entries.push_back(name);
      // The answer of a list built afresh, on another list so that this one keeps its slots.
      names_truncate(LIST_MORPHS, 0);
      for (const std::string& e : entries) names_add(LIST_MORPHS, e.c_str());
      names_add(LIST_MORPHS, "*");  // a pattern: a new generation of the list, a scan from the top
      names_truncate(LIST_MORPHS, (int)entries.size());
      int want = names_find_or_add(LIST_MORPHS, name);
      ASSERT_EQ(got, want) << "step " << step << " name " << name;
    }
  }
}

// The scan looks only at the chain of equal plain entries and at the patterns: over adds of plain
// names, patterns and look-alikes, takings back and re-initialisations, find and find-or-add answer as
// the match of every entry from the highest would.
namespace {

// The matcher's rules, written out again from names.h for the reference scan.
bool reference_match(const unsigned char* p, const unsigned char* n) {
  auto lead = [](unsigned char c) { return (c >= 0x80 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); };
  while (*p != 0) {
    unsigned char pc = *p, nc = *n;
    if (nc == pc) {
      p++;
      n++;
    } else if (pc == '*' && nc != 0) {
      return true;
    } else if (pc == '?' && lead(nc) && n[1] != 0) {
      p++;
      n += 2;
    } else if (pc == '?' && nc != 0) {
      p++;
      n++;
    } else if (pc == 0x81 && p[1] == 0x48 && lead(nc) && n[1] != 0) {
      p += 2;
      n += 2;
    } else {
      return false;
    }
  }
  return *n == 0;
}

int reference_find(int list, const std::string& name) {
  for (int e = names_count(list); e >= 1; e--) {
    if (reference_match(reinterpret_cast<const unsigned char*>(names_entry(list, e)),
                        reinterpret_cast<const unsigned char*>(name.c_str()))) {
      return e;
    }
  }
  return 0;
}

}  // namespace

TEST(NamesRecent, TheScanAnswersAsTheMatchOfEveryEntry) {
  const char* pieces[] = {"a", "b", "ab", "*", "?", "\x81\x48", "\x8d\xb6", "\x98\x72", "x", "\x81", "1"};
  uint32_t seed = 99;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % n;
  };
  auto name = [&]() {
    std::string s;
    int parts = 1 + (int)next(4);
    for (int i = 0; i < parts; i++) s += pieces[next(sizeof pieces / sizeof pieces[0])];
    return s;
  };
  for (int round = 0; round < 20; round++) {
    names_init();
    int base = 0;
    for (int step = 0; step < 600; step++) {
      std::string n = name();
      int list = next(3) == 0 ? LIST_MORPHS : LIST_BONES;
      switch (next(6)) {
        case 0:
          names_add(list, n.c_str());
          break;
        case 1:
          if (next(4) == 0) {
            names_truncate(LIST_BONES, base);
            names_truncate(LIST_MORPHS, base);
          }
          break;
        case 2:
          if (next(10) == 0) base = names_count(LIST_BONES) < names_count(LIST_MORPHS) ? names_count(LIST_BONES)
                                                                                        : names_count(LIST_MORPHS);
          break;
        default: {
          int want = reference_find(list, n);
          ASSERT_EQ(names_find(list, n.c_str()), want) << n;
          int got = names_find_or_add(list, n.c_str());
          if (want != 0) ASSERT_EQ(got, want) << n;
          else ASSERT_EQ(got, names_count(list)) << n;
        }
      }
    }
  }
}
