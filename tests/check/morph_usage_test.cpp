// Morph usage records and the morph half of the report page.
#include <gtest/gtest.h>

#include <string>

#include "check/listing.h"
#include "check/names.h"
#include "check/vocab.h"
#include "check/report_page.h"
#include "check/usage.h"
#include "formats/pmx.h"
#include "formats/vmd.h"
#include "support/pagedump.h"
#include "support/testfiles.h"

namespace {

class MorphPage : public ::testing::Test {
 protected:
  std::string storage[32];
  int stored = 0;
  void SetUp() override {
    names_init();
    names_register_builtin();
    bone_usage_reset();
    morph_usage_reset();
    model_clear();
  }
  int key(const std::string& utf8, int frame, float weight) {
    std::string& name = storage[stored++ % 32];
    name = to_sjis(utf8);
    int entry = names_find_or_add(LIST_MORPHS, name.c_str());
    MorphKey k = {name.c_str(), frame, weight};
    morph_usage_add(entry, k);
    return entry;
  }
  // The morph half alone, after an empty white line standing for the bone half's end.
  std::vector<std::string> morphs_page(bool alias = false) {
    ReportContext ctx = {"", alias, vmd_model_name()};
    report_reset();
    report_put("");
    report_end_line();
    report_morphs(ctx);
    std::vector<std::string> lines = page_lines();
    lines.erase(lines.begin());
    return lines;
  }
};

}  // namespace

TEST_F(MorphPage, RecordUpdate) {
  int e = key("あ", 20, 0.5f);
  key("あ", 4, -0.25f);
  key("あ", 9, 1.0f);
  const MorphUsage* r = morph_usage_view(e);
  EXPECT_EQ(r->key_count, 3);
  EXPECT_EQ(r->first_frame, 4);
  EXPECT_EQ(r->last_frame, 20);
  EXPECT_EQ(r->min_weight, -0.25f);
  EXPECT_EQ(r->max_weight, 1.0f);
  MorphKey k = {"x", 1, 1};
  morph_usage_add(4095, k);
  morph_usage_add(4096, k);
  EXPECT_EQ(morph_usage_view(4095)->key_count, 1);
  EXPECT_EQ(morph_usage_view(4096)->key_count, 0);
  EXPECT_FLOAT_EQ(morph_usage_view(4096)->min_weight, 999.9f);
}

TEST_F(MorphPage, HeadingAndThreeEmptyLinesWithoutMorphs) {
  EXPECT_EQ(morphs_page(), (std::vector<std::string>{"#ffffff|使用モーフ(表情): ", "#ffffff|", "#ffffff|", "#ffffff|"}));
  EXPECT_EQ(morphs_page(true)[0], "#ffffff|Morphing (Expression): ");
}

TEST_F(MorphPage, ZeroWeightOnlyIsNotListed) {
  key("まばたき", 1, 0.0f);
  key("まばたき", 2, 0.0f);
  EXPECT_EQ(morphs_page().size(), 4u);
}

TEST_F(MorphPage, NegativeWeights) {
  key("にやり", 3, -0.5f);
  key("にやり", 8, -0.1f);
  EXPECT_EQ(morphs_page(), (std::vector<std::string>{"#ffffff|使用モーフ(表情): ",
                                                     "#969696|  にやり  (2 keys) (frame 3 - 8) (val -0.5 - -0.1) \n",
                                                     "#969696|", "#969696|", "#969696|"}));
}

TEST_F(MorphPage, TheGroupTwoMorphIsNeverListed) {
  key("クリ勃起", 1, 1.0f);
  EXPECT_EQ(morphs_page().size(), 4u);
}

TEST_F(MorphPage, StandardThenSeparatorThenUnknown) {
  key("まばたき", 0, 1.0f);
  key("謎モーフ", 5, 0.3f);
  key("あ", 7, 0.6f);
  EXPECT_EQ(morphs_page(), (std::vector<std::string>{
                               "#ffffff|使用モーフ(表情): ",
                               "#969696|  あ        (1 keys) (frame 7 - 7) (val 0.6 - 0.6) \n",
                               "#969696|  まばたき  (1 keys) (frame 0 - 0) (val 1 - 1) \n",
                               "#969696|     ",
                               "#969696|  謎モーフ  (1 keys) (frame 5 - 5) (val 0.3 - 0.3) \n",
                               "#969696|", "#969696|", "#969696|"}));
  // Only unknown morphs: the separator comes right after the heading, in white.
  SetUp();
  key("謎モーフ", 5, 0.3f);
  EXPECT_EQ(morphs_page(), (std::vector<std::string>{
                               "#ffffff|使用モーフ(表情): ", "#ffffff|     ",
                               "#969696|  謎モーフ  (1 keys) (frame 5 - 5) (val 0.3 - 0.3) \n",
                               "#969696|", "#969696|", "#969696|"}));
}

TEST_F(MorphPage, NarrowCharactersAreReplaced) {
  key("∧", 1, 1.0f);
  key("∩", 2, 1.0f);  // not a standard morph: listed after the separator
  key("ω", 3, 1.0f);
  key("ω□", 4, 1.0f);
  // The width is that of the longest listed name, ω□; the replacement's own space does not count.
  std::vector<std::string> page = morphs_page();
  ASSERT_EQ(page.size(), 9u);
  EXPECT_EQ(page[1], "#969696|  Λ     (1 keys) (frame 1 - 1) (val 1 - 1) \n");
  EXPECT_EQ(page[2], "#969696|  ω     (1 keys) (frame 3 - 3) (val 1 - 1) \n");
  EXPECT_EQ(page[3], "#969696|  ω□  (1 keys) (frame 4 - 4) (val 1 - 1) \n");
  EXPECT_EQ(page[4], "#969696|     ");
  EXPECT_EQ(page[5], "#969696|  Π     (1 keys) (frame 2 - 2) (val 1 - 1) \n");
}
