// fold.cpp: the spelling fold of Shift-JIS names (fold.h).
//
// Records: none; three constant tables: the katakana row in half-width form, the full-width signs and the
// look-alikes.
// Limits: the key is never longer than the name (every character folds to as many bytes or fewer), and
// it is cut, whole characters only, at the destination's size.
// Trust: names come from motion and model files. Only the 0 byte and src_max bound a name; a lead byte
// is joined with the byte after it only when that byte is a trail byte inside the field.
#include "text/fold.h"

#include <cstdint>

#include "text/encoding.h"

// A character of the key: one or two bytes.
struct FoldChar {
  uint8_t len;
  uint8_t b[2];
};

static constexpr FoldChar fold_none() { return FoldChar{0, {0, 0}}; }
static constexpr FoldChar fold_one(unsigned char a) { return FoldChar{1, {a, 0}}; }
static constexpr FoldChar fold_two(unsigned char a, unsigned char b) { return FoldChar{2, {a, b}}; }

constexpr unsigned char FOLD_DASH = '-';           // the one dash of the key
constexpr unsigned char FOLD_VOICED = 0xDE;        // ﾞ
constexpr unsigned char FOLD_SEMI_VOICED = 0xDF;   // ﾟ
constexpr unsigned char FOLD_GAP = '.';            // what a dropped separator leaves in a key with gaps

// How a key is made: the spelling key alone, or also with the look-alikes as one, or with gaps.
enum : unsigned { FOLD_HOW_ALIKE = 1, FOLD_HOW_GAPS = 2 };

// Look-alike characters of other scripts, each with the character it is taken as (itself for that one,
// so that it is counted). Only signs that standard expression names use and that a name may carry in a
// look-alike from another script or case: the mouth ∧ and Greek Λ; the mouth д and its capital Д (as in
// the face (´Д｀)); the mouth □ and the kanji 口 ("mouth"); △ and Greek Δ; ○ and the kanji zero 〇. Left
// out: ω, which code page 932 has once; ロ and 一, kana and kanji of ordinary words whose keys the fold
// already shares with ろ, ﾛ and the dashes; Latin letters in Greek or Cyrillic, which no name seen uses.
struct FoldAlike {
  uint16_t code, as;
};
static constexpr FoldAlike fold_alikes[] = {
    {0x81C8, 0x81C8}, {0x83A9, 0x81C8},  // ∧ Λ
    {0x8474, 0x8474}, {0x8444, 0x8474},  // д Д
    {0x81A0, 0x81A0}, {0x8CFB, 0x81A0},  // □ 口
    {0x81A2, 0x81A2}, {0x83A2, 0x81A2},  // △ Δ
    {0x819B, 0x819B}, {0x815A, 0x819B},  // ○ 〇
};

// The katakana row, 0x8340 to 0x8396 without 0x837F, in half-width form: the large kana's byte and
// the voicing mark after it (0 none). Small kana take their large kana. ヰ and ヱ have no half-width
// form: {0, 0} keeps them as they are.
struct FoldKana {
  uint8_t base, mark;
};
static constexpr FoldKana fold_kana[] = {
    {0xB1, 0}, {0xB1, 0}, {0xB2, 0}, {0xB2, 0}, {0xB3, 0},  // ァアィイゥ
    {0xB3, 0}, {0xB4, 0}, {0xB4, 0}, {0xB5, 0}, {0xB5, 0},  // ウェエォオ
    {0xB6, 0}, {0xB6, 0xDE}, {0xB7, 0}, {0xB7, 0xDE}, {0xB8, 0}, {0xB8, 0xDE},  // カガキギクグ
    {0xB9, 0}, {0xB9, 0xDE}, {0xBA, 0}, {0xBA, 0xDE},                          // ケゲコゴ
    {0xBB, 0}, {0xBB, 0xDE}, {0xBC, 0}, {0xBC, 0xDE}, {0xBD, 0}, {0xBD, 0xDE},  // サザシジスズ
    {0xBE, 0}, {0xBE, 0xDE}, {0xBF, 0}, {0xBF, 0xDE},                          // セゼソゾ
    {0xC0, 0}, {0xC0, 0xDE}, {0xC1, 0}, {0xC1, 0xDE}, {0xC2, 0}, {0xC2, 0},     // タダチヂッツ
    {0xC2, 0xDE}, {0xC3, 0}, {0xC3, 0xDE}, {0xC4, 0}, {0xC4, 0xDE},            // ヅテデトド
    {0xC5, 0}, {0xC6, 0}, {0xC7, 0}, {0xC8, 0}, {0xC9, 0},                      // ナニヌネノ
    {0xCA, 0}, {0xCA, 0xDE}, {0xCA, 0xDF}, {0xCB, 0}, {0xCB, 0xDE}, {0xCB, 0xDF},  // ハバパヒビピ
    {0xCC, 0}, {0xCC, 0xDE}, {0xCC, 0xDF}, {0xCD, 0}, {0xCD, 0xDE}, {0xCD, 0xDF},  // フブプヘベペ
    {0xCE, 0}, {0xCE, 0xDE}, {0xCE, 0xDF},                                         // ホボポ
    {0xCF, 0}, {0xD0, 0},                                   // マミ (0x837F is not a code)
    {0xD1, 0}, {0xD2, 0}, {0xD3, 0},                        // ムメモ
    {0xD4, 0}, {0xD4, 0}, {0xD5, 0}, {0xD5, 0}, {0xD6, 0}, {0xD6, 0},  // ャヤュユョヨ
    {0xD7, 0}, {0xD8, 0}, {0xD9, 0}, {0xDA, 0}, {0xDB, 0},  // ラリルレロ
    {0xDC, 0}, {0xDC, 0}, {0, 0}, {0, 0}, {0xA6, 0}, {0xDD, 0},  // ヮワヰヱヲン
    {0xB3, 0xDE}, {0xB6, 0}, {0xB9, 0},                     // ヴヵヶ
};
constexpr unsigned FOLD_KATA_FIRST = 0x8340, FOLD_KATA_LAST = 0x8396;
constexpr unsigned FOLD_HIRA_FIRST = 0x829F, FOLD_HIRA_LAST = 0x82F4;  // ぁ to ゖ (ゔゕゖ: 0x82F2 up)
static_assert(sizeof fold_kana / sizeof fold_kana[0] == FOLD_KATA_LAST - FOLD_KATA_FIRST,
              "one entry per katakana code, 0x837F left out");

// Full-width signs of the 0x81 row and their ASCII form (the 0x82 row's digits and letters go by range).
struct FoldSign {
  uint8_t trail;
  char ascii;
};
static constexpr FoldSign fold_signs[] = {
    {0x43, ','}, {0x44, '.'}, {0x46, ':'}, {0x47, ';'}, {0x48, '?'}, {0x49, '!'},  // ，．：；？！
    {0x4D, '`'}, {0x4F, '^'}, {0x5E, '/'}, {0x62, '|'}, {0x69, '('}, {0x6A, ')'},  // ｀＾／｜（）
    {0x6D, '['}, {0x6E, ']'}, {0x6F, '{'}, {0x70, '}'}, {0x7B, '+'}, {0x81, '='},  // ［］｛｝＋＝
    {0x83, '<'}, {0x84, '>'}, {0x90, '$'}, {0x93, '%'}, {0x94, '#'}, {0x95, '&'},  // ＜＞＄％＃＆
    {0x96, '*'}, {0x97, '@'},                                                      // ＊＠
};

// Small half-width kana ｧ to ｯ (0xA7 to 0xAF) as their large ones.
static constexpr uint8_t fold_half_small[] = {0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xD4, 0xD5, 0xD6, 0xC2};  // ｱｲｳｴｵﾔﾕﾖﾂ

template <unsigned How>
static inline FoldChar fold_single(unsigned char b) {
  if (b >= 'A' && b <= 'Z') return fold_one((unsigned char)(b - 'A' + 'a'));
  if (b == ' ' || b == '_' || b == 0xA5) {  // space, _, ･
    return (How & FOLD_HOW_GAPS) != 0 ? fold_one(FOLD_GAP) : fold_none();
  }
  if (b == 0xB0) return fold_one(FOLD_DASH);                     // ｰ
  if (b >= 0xA7 && b <= 0xAF) return fold_one(fold_half_small[b - 0xA7]);
  return fold_one(b);
}

static FoldChar fold_kata(unsigned code) {
  unsigned i = code - FOLD_KATA_FIRST;
  if (code > 0x837F) i--;
  const FoldKana& k = fold_kana[i];
  if (k.base == 0) return fold_two((unsigned char)(code >> 8), (unsigned char)code);
  return k.mark != 0 ? fold_two(k.base, k.mark) : fold_one(k.base);
}

template <unsigned How>
static inline FoldChar fold_double(unsigned char lead, unsigned char trail, int* alike) {
  unsigned code = (unsigned)lead << 8 | trail;
  if constexpr ((How & FOLD_HOW_ALIKE) != 0) {
    for (const FoldAlike& a : fold_alikes) {
      if (a.code != code) continue;
      (*alike)++;
      code = a.as;
      lead = (unsigned char)(code >> 8);
      trail = (unsigned char)code;
      break;
    }
  }
  if (code >= FOLD_HIRA_FIRST && code <= FOLD_HIRA_LAST) {
    // The hiragana row runs in the katakana row's order: ぁ is ァ, and so on to ゖ and ヶ.
    unsigned kata = FOLD_KATA_FIRST + (code - FOLD_HIRA_FIRST);
    if (kata >= 0x837F) kata++;
    return fold_kata(kata);
  }
  if (code >= FOLD_KATA_FIRST && code <= FOLD_KATA_LAST && code != 0x837F) return fold_kata(code);
  if (code >= 0x824F && code <= 0x8258) return fold_one((unsigned char)('0' + (code - 0x824F)));  // ０-９
  if (code >= 0x8260 && code <= 0x8279) return fold_one((unsigned char)('a' + (code - 0x8260)));  // Ａ-Ｚ
  if (code >= 0x8281 && code <= 0x829A) return fold_one((unsigned char)('a' + (code - 0x8281)));  // ａ-ｚ
  switch (code) {
    case 0x8140: case 0x8145: case 0x8151:  // 　 ・ ＿
      return (How & FOLD_HOW_GAPS) != 0 ? fold_one(FOLD_GAP) : fold_none();
    case 0x815B: case 0x815C: case 0x815D: case 0x817C: return fold_one(FOLD_DASH);  // ー ― ‐ －
    case 0x814A: return fold_one(FOLD_VOICED);       // ゛
    case 0x814B: return fold_one(FOLD_SEMI_VOICED);  // ゜
    case 0x8141: return fold_one(0xA4);  // 、
    case 0x8142: return fold_one(0xA1);  // 。
    case 0x8175: return fold_one(0xA2);  // 「
    case 0x8176: return fold_one(0xA3);  // 」
    default: break;
  }
  if (lead == 0x81) {
    for (const FoldSign& s : fold_signs) {
      if (s.trail == trail) return fold_one((unsigned char)s.ascii);
    }
  }
  return fold_two(lead, trail);
}

// The key of src as fold.h describes it; How: FOLD_HOW_ALIKE, FOLD_HOW_GAPS or neither (made once for
// each, so the plain fold, which the checks run on every name, pays for neither); alike counts the
// look-alike characters met (FOLD_HOW_ALIKE only).
template <unsigned How>
static int fold_run(char* dst, int dst_size, const char* src, int src_max, int* alike) {
  if (dst_size <= 0) return 0;
  int n = 0;
  int i = 0;
  bool gap = false;  // the last character written is a gap's "."
  while (src_max < 0 || i < src_max) {
    const unsigned char b = (unsigned char)src[i];
    if (b == 0) break;
    FoldChar c;
    if (is_lead_byte(b)) {
      // src[i] is not 0, so src[i + 1] is still inside the string; src_max may end the field first.
      const unsigned char t = src_max < 0 || i + 1 < src_max ? (unsigned char)src[i + 1] : 0;
      if (!sjis_is_trail(t)) {
        i++;
        continue;
      }
      c = fold_double<How>(b, t, alike);
      i += 2;
    } else {
      c = fold_single<How>(b);
      i++;
    }
    if constexpr ((How & FOLD_HOW_GAPS) != 0) {
      // A run of gaps and "." leaves one ".".
      const bool is_gap = c.len == 1 && c.b[0] == FOLD_GAP;
      if (is_gap && gap) continue;
      gap = is_gap;
    }
    if (c.len > dst_size - 1 - n) break;
    for (int k = 0; k < c.len; k++) dst[n++] = (char)c.b[k];
  }
  dst[n] = 0;
  return n;
}

int fold_name(char* dst, int dst_size, const char* src, int src_max) {
  int alike = 0;
  return fold_run<0>(dst, dst_size, src, src_max, &alike);
}

int fold_alike(char* dst, int dst_size, const char* src, int src_max) {
  int alike = 0;
  fold_run<FOLD_HOW_ALIKE>(dst, dst_size, src, src_max, &alike);
  return alike;
}

int fold_gaps(char* dst, int dst_size, const char* src, int src_max) {
  int alike = 0;
  return fold_run<FOLD_HOW_GAPS>(dst, dst_size, src, src_max, &alike);
}
