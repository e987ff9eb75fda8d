// sjis_tables_test.cpp: the two constant conversion tables, entry by entry, against glibc's iconv
// (SHIFT_JISX0213, the Shift_JIS-2004 mapping) asked at test time, with the program's own rows laid
// over iconv's answers by this file. Also each of the program's own rows by name.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "text/encoding.h"

namespace {

// ---- The reference: glibc's SHIFT_JISX0213 ----------------------------------------------------------

struct Iconv {
  iconv_t cd;
  Iconv(const char* to, const char* from) : cd(iconv_open(to, from)) {}
  ~Iconv() {
    if (cd != (iconv_t)-1) iconv_close(cd);
  }
};

// Decodes bytes as one Shift-JIS character. Returns its code points (one, or two for a letter plus a
// combining mark); empty when iconv rejects the bytes. *incomplete tells that iconv wants more bytes.
std::vector<uint32_t> ref_decode(Iconv& d, const unsigned char* in, size_t n, bool* incomplete) {
  std::vector<uint32_t> cps;
  iconv(d.cd, nullptr, nullptr, nullptr, nullptr);
  uint32_t out[8];
  char* ip = reinterpret_cast<char*>(const_cast<unsigned char*>(in));
  size_t il = n;
  char* op = reinterpret_cast<char*>(out);
  size_t ol = sizeof out;
  size_t r = iconv(d.cd, &ip, &il, &op, &ol);
  *incomplete = r == (size_t)-1 && errno == EINVAL;
  if (r == (size_t)-1 || il != 0) return cps;
  iconv(d.cd, nullptr, nullptr, &op, &ol);
  for (size_t k = 0; k < (sizeof out - ol) / 4; k++) cps.push_back(out[k]);
  return cps;
}

// Encodes one BMP unit. Returns the Shift-JIS code (one or two bytes) or 0 when iconv has none.
unsigned ref_encode(Iconv& e, uint32_t unit) {
  iconv(e.cd, nullptr, nullptr, nullptr, nullptr);
  unsigned char out[16];
  char* ip = reinterpret_cast<char*>(&unit);
  size_t il = 4;
  char* op = reinterpret_cast<char*>(out);
  size_t ol = sizeof out;
  if (iconv(e.cd, &ip, &il, &op, &ol) == (size_t)-1) return 0;
  // A letter that may take a combining mark waits in the converter until the flush.
  iconv(e.cd, nullptr, nullptr, &op, &ol);
  size_t n = sizeof out - ol;
  if (n == 1) return out[0];
  if (n == 2) return (unsigned)out[0] << 8 | out[1];
  return 0xFFFFFFFF;  // anything else cannot be a table entry: fails the comparison
}

// ---- The program's own rows ---------------------------------------------------------------------------

struct Row {
  unsigned code;
  uint32_t cp;
};

// Moved both ways: the em dash and the white parentheses as code page 932 and JIS X 0208 users read them.
const Row kMovedBothWays[] = {{0x815C, 0x2014}, {0x81D4, 0xFF5F}, {0x81D5, 0xFF60}};
// Left without a code by the move above.
const uint32_t kUnmappedUnits[] = {0x2015, 0x2985, 0x2986};
// glibc reads these two with their full-width forms; the published Shift_JIS-2004 table (and the
// program) gives the ASCII reverse solidus and tilde, which is also why U+005C and U+007E go back to them.
const Row kGlibcFullWidth[] = {{0x815F, 0x005C}, {0x81B0, 0x007E}};
// The codes Shift_JIS-2004 spells as a letter followed by a combining mark.
const unsigned kCombining[25] = {0x82F5, 0x82F6, 0x82F7, 0x82F8, 0x82F9, 0x8397, 0x8398, 0x8399, 0x839A,
                                 0x839B, 0x839C, 0x839D, 0x839E, 0x83F6, 0x8663, 0x8667, 0x8668, 0x8669,
                                 0x866A, 0x866B, 0x866C, 0x866D, 0x866E, 0x8685, 0x8686};

bool is_combining(unsigned code) {
  for (unsigned c : kCombining) {
    if (c == code) return true;
  }
  return false;
}

std::string hex(uint32_t v) {
  char b[16];
  std::snprintf(b, sizeof b, "0x%X", v);
  return b;
}

// What the Shift-JIS -> Unicode table must hold for code, from iconv and the rows above.
struct Expect {
  uint32_t cp;
  bool combining;  // iconv gave two code points
};

Expect expect_to_unicode(Iconv& d, unsigned code) {
  bool incomplete = false;
  if (code < 0x100) {
    unsigned char b = (unsigned char)code;
    std::vector<uint32_t> cps = ref_decode(d, &b, 1, &incomplete);
    return {cps.size() == 1 ? cps[0] : 0, false};
  }
  unsigned char lead = (unsigned char)(code >> 8);
  ref_decode(d, &lead, 1, &incomplete);
  if (!incomplete) return {0, false};  // not a lead byte: two one-byte characters, not a code
  if (lead == 0x80) return {0, false};
  unsigned char pair[2] = {lead, (unsigned char)(code & 0xFF)};
  std::vector<uint32_t> cps = ref_decode(d, pair, 2, &incomplete);
  if (cps.size() == 2) return {0, true};
  uint32_t cp = cps.size() == 1 ? cps[0] : 0;
  for (const Row& r : kMovedBothWays) {
    if (r.code == code) cp = r.cp;
  }
  for (const Row& r : kGlibcFullWidth) {
    if (r.code == code) cp = r.cp;
  }
  return {cp, false};
}

unsigned expect_from_unicode(Iconv& e, uint32_t unit) {
  if (unit >= 0xD800 && unit <= 0xDFFF) return 0;
  if (unit == 0x005C) return 0x815F;
  if (unit == 0x007E) return 0x81B0;
  for (const Row& r : kMovedBothWays) {
    if (r.cp == unit) return r.code;
  }
  for (uint32_t u : kUnmappedUnits) {
    if (u == unit) return 0;
  }
  unsigned code = ref_encode(e, unit);
  for (const Row& r : kGlibcFullWidth) {
    // glibc sends the full-width forms to these codes; in the program they have no code.
    if (code == r.code) return 0;
  }
  return code;
}

}  // namespace

// ---- Entry by entry -------------------------------------------------------------------------------------

TEST(SjisTables, EveryCodeMatchesIconv) {
  Iconv d("UTF-32LE", "SHIFT_JISX0213");
  ASSERT_NE(d.cd, (iconv_t)-1);
  int checked = 0, mapped = 0, beyond_bmp = 0, combining = 0, mismatches = 0;
  // Codes 0x00-0xFF are the one-byte codes; 0x0100-0xFFFF every lead and trail byte pair.
  for (unsigned code = 0; code <= 0xFFFF; code++) {
    Expect want = expect_to_unicode(d, code);
    uint32_t got = sjis_table_to_unicode(code);
    checked++;
    if (got != 0) mapped++;
    if (got > 0xFFFF) beyond_bmp++;
    if (want.combining) {
      combining++;
      EXPECT_TRUE(is_combining(code)) << hex(code) << " gives two code points but is not in the list";
    }
    if (got != want.cp && ++mismatches <= 20) {
      ADD_FAILURE() << "code " << hex(code) << ": table " << hex(got) << ", iconv " << hex(want.cp);
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(checked, 65536);
  EXPECT_EQ(mapped, 11398);
  EXPECT_EQ(beyond_bmp, 303);
  EXPECT_EQ(combining, 25);
  // Codes beyond 16 bits and beyond the table's ranges are unmapped.
  EXPECT_EQ(sjis_table_to_unicode(0x10000), 0u);
  EXPECT_EQ(sjis_table_to_unicode(0xFFFFFFFF), 0u);
}

TEST(SjisTables, EveryBmpUnitMatchesIconv) {
  Iconv e("SHIFT_JISX0213", "UTF-32LE");
  ASSERT_NE(e.cd, (iconv_t)-1);
  int checked = 0, mapped = 0, mismatches = 0, not_inverse = 0;
  for (uint32_t unit = 0; unit <= 0xFFFF; unit++) {
    unsigned want = expect_from_unicode(e, unit);
    unsigned got = sjis_table_from_unicode(unit);
    checked++;
    if (got != 0) {
      mapped++;
      // Every way back is the inverse of a way there, except the three one-byte rows of JIS X 0201.
      bool ascii_row = unit == 0x5C || unit == 0x7E;
      if (!ascii_row && sjis_table_to_unicode(got) != unit && ++not_inverse <= 20) {
        ADD_FAILURE() << "U+" << hex(unit) << " -> " << hex(got) << " -> " << hex(sjis_table_to_unicode(got));
      }
    }
    if (got != want && ++mismatches <= 20) {
      ADD_FAILURE() << "unit " << hex(unit) << ": table " << hex(got) << ", iconv " << hex(want);
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(not_inverse, 0);
  EXPECT_EQ(checked, 65536);
  EXPECT_EQ(mapped, 11095);
  EXPECT_EQ(sjis_table_from_unicode(0x10000), 0u);
  EXPECT_EQ(sjis_table_from_unicode(0x2000B), 0u);
}

// ---- The program's own rows by name ------------------------------------------------------------------------

TEST(SjisTables, OneByteCodesFollowJisX0201) {
  EXPECT_EQ(sjis_table_to_unicode(0x41), 0x41u);
  EXPECT_EQ(sjis_table_to_unicode(0x5C), 0xA5u);
  EXPECT_EQ(sjis_table_to_unicode(0x7E), 0x203Eu);
  EXPECT_EQ(sjis_table_to_unicode(0x7F), 0x7Fu);
  for (unsigned b = 0xA1; b <= 0xDF; b++) EXPECT_EQ(sjis_table_to_unicode(b), 0xFF61 + (b - 0xA1)) << hex(b);
  for (unsigned b : {0x80u, 0xA0u, 0xFDu, 0xFEu, 0xFFu}) EXPECT_EQ(sjis_table_to_unicode(b), 0u) << hex(b);
  // Lead bytes on their own are not characters.
  for (unsigned b = 0x81; b <= 0x9F; b++) EXPECT_EQ(sjis_table_to_unicode(b), 0u) << hex(b);
  for (unsigned b = 0xE0; b <= 0xFC; b++) EXPECT_EQ(sjis_table_to_unicode(b), 0u) << hex(b);
  // The other way.
  EXPECT_EQ(sjis_table_from_unicode(0x005C), 0x815Fu);
  EXPECT_EQ(sjis_table_from_unicode(0x007E), 0x81B0u);
  EXPECT_EQ(sjis_table_from_unicode(0x00A5), 0x5Cu);
  EXPECT_EQ(sjis_table_from_unicode(0x203E), 0x7Eu);
  EXPECT_EQ(sjis_table_from_unicode(0xFF61), 0xA1u);
  EXPECT_EQ(sjis_table_from_unicode(0xFF71), 0xB1u);
  EXPECT_EQ(sjis_table_from_unicode(0xFF9F), 0xDFu);
  EXPECT_EQ(sjis_table_from_unicode(0x0041), 0x41u);
}

TEST(SjisTables, DashAndWhiteParenthesesBothWays) {
  EXPECT_EQ(sjis_table_to_unicode(0x815C), 0x2014u);
  EXPECT_EQ(sjis_table_to_unicode(0x81D4), 0xFF5Fu);
  EXPECT_EQ(sjis_table_to_unicode(0x81D5), 0xFF60u);
  EXPECT_EQ(sjis_table_from_unicode(0x2014), 0x815Cu);
  EXPECT_EQ(sjis_table_from_unicode(0xFF5F), 0x81D4u);
  EXPECT_EQ(sjis_table_from_unicode(0xFF60), 0x81D5u);
  EXPECT_EQ(sjis_table_from_unicode(0x2015), 0u);
  EXPECT_EQ(sjis_table_from_unicode(0x2985), 0u);
  EXPECT_EQ(sjis_table_from_unicode(0x2986), 0u);
}

TEST(SjisTables, ReverseSolidusAndTildeAreTheAsciiOnes) {
  EXPECT_EQ(sjis_table_to_unicode(0x815F), 0x005Cu);
  EXPECT_EQ(sjis_table_to_unicode(0x81B0), 0x007Eu);
  EXPECT_EQ(sjis_table_from_unicode(0xFF3C), 0u);
  EXPECT_EQ(sjis_table_from_unicode(0xFF5E), 0u);
}

TEST(SjisTables, LetterWithCombiningMarkIsUnmapped) {
  Iconv d("UTF-32LE", "SHIFT_JISX0213");
  ASSERT_NE(d.cd, (iconv_t)-1);
  for (unsigned code : kCombining) {
    EXPECT_EQ(sjis_table_to_unicode(code), 0u) << hex(code);
    unsigned char pair[2] = {(unsigned char)(code >> 8), (unsigned char)(code & 0xFF)};
    bool incomplete = false;
    EXPECT_EQ(ref_decode(d, pair, 2, &incomplete).size(), 2u) << hex(code);
  }
  // The letters and marks themselves keep their own codes: か U+304B, the combining semi-voiced mark.
  EXPECT_EQ(sjis_table_from_unicode(0x304B), 0x82A9u);
  EXPECT_EQ(sjis_table_to_unicode(0x82A9), 0x304Bu);
}

TEST(SjisTables, LeadByte80IsNeverMapped) {
  for (unsigned t = 0; t <= 0xFF; t++) EXPECT_EQ(sjis_table_to_unicode(0x8000 + t), 0u) << hex(t);
}

TEST(SjisTables, BeyondTheBmpOnlyOneWay) {
  EXPECT_EQ(sjis_table_to_unicode(0x87A0), 0x2000Bu);  // the first such code
  EXPECT_EQ(sjis_table_to_unicode(0xFCF4), 0x2A6B2u);  // the last
  // Its surrogates have no code.
  EXPECT_EQ(sjis_table_from_unicode(0xD840), 0u);
  EXPECT_EQ(sjis_table_from_unicode(0xDC0B), 0u);
}

TEST(SjisTables, KnownCharacters) {
  EXPECT_EQ(sjis_table_from_unicode(0x2661), 0x83BBu);  // white heart
  EXPECT_EQ(sjis_table_to_unicode(0x83BB), 0x2661u);
  EXPECT_EQ(sjis_table_to_unicode(0x8160), 0x301Cu);    // wave dash
  EXPECT_EQ(sjis_table_from_unicode(0x301C), 0x8160u);
  EXPECT_EQ(sjis_table_to_unicode(0x8790), 0u);
  EXPECT_EQ(sjis_table_to_unicode(0x8794), 0u);
  EXPECT_EQ(sjis_table_to_unicode(0x93AE), 0x52D5u);    // 動
  EXPECT_EQ(sjis_table_to_unicode(0x82AB), 0x304Du);    // き
  EXPECT_EQ(sjis_table_to_unicode(0x955C), 0x8868u);    // 表, trail byte 0x5C
  EXPECT_EQ(sjis_table_from_unicode(0x8868), 0x955Cu);
  EXPECT_EQ(sjis_table_to_unicode(0x8140), 0x3000u);    // ideographic space, the first two-byte code
  EXPECT_EQ(sjis_table_to_unicode(0xFCFC), 0u);
}
