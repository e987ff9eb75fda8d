// Find-or-add remembers resolved names; every change of a list must make it resolve afresh, exactly as
// the scan from the highest entry would.
#include <gtest/gtest.h>

#include <string>

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
