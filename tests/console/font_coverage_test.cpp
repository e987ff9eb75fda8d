// The shipped font draws every character the report can hold of its own: every name of the built-in
// vocabularies, the headings, the replacement characters of the narrow morphs, and printable ASCII.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>
#include <vector>

#include "check/names.h"
#include "check/vocab.h"
#include "console/glyph.h"
#include "support/testfiles.h"

namespace {

const char* FONT = "/usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf";

struct Face {
  FT_Library lib = nullptr;
  FT_Face face = nullptr;
  Face() {
    FT_Init_FreeType(&lib);
    FT_New_Face(lib, FONT, 0, &face);
  }
  ~Face() {
    if (face) FT_Done_Face(face);
    if (lib) FT_Done_FreeType(lib);
  }
};

// The codes of a Shift-JIS text that the font has no glyph for, as "U+XXXX".
std::string missing(FT_Face face, const std::string& sjis) {
  uint32_t codes[GLYPH_MAX_CODES + 1];
  int n = glyph_decode_sjis(codes, sjis.c_str());
  std::string out;
  for (int i = 0; i < n; i++) {
    if (FT_Get_Char_Index(face, codes[i]) == 0) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "U+%04X ", (unsigned)codes[i]);
      out += buf;
    }
  }
  return out;
}

}  // namespace

TEST(FontCoverage, EveryVocabularyNameAndReportText) {
  Face f;
  ASSERT_NE(f.face, nullptr) << FONT;
  names_init();
  names_register_builtin();
  int checked = 0;
  for (int list : {LIST_BONES, LIST_MORPHS}) {
    for (int e = 1; e <= names_count(list); e++) {
      EXPECT_EQ(missing(f.face, names_entry(list, e)), "") << "list " << list << " entry " << e;
      checked++;
    }
  }
  EXPECT_EQ(checked, 473 + 62);
  for (const char* text : {"元モデル名: ", "想定使用先: ", "使用ボーン: ", "使用モーフ(表情): ", "Π", "Λ", "ω",
                           "(OK): そのままで使用可能です. ", "¥", "‾"}) {
    EXPECT_EQ(missing(f.face, to_sjis(text)), "") << text;
  }
  std::string ascii;
  for (int c = 0x20; c < 0x7F; c++) ascii += (char)c;
  EXPECT_EQ(missing(f.face, ascii), "");
}
