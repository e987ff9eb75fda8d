// fold.h: the spelling fold: a key for a Shift-JIS name under which spellings that a reader takes for
// the same name compare equal byte for byte.
//
// Two names are "the same spelling" when their keys are equal. The fold takes as one:
//   - half-width and full-width katakana, a voicing mark (ﾞ ﾟ, or full-width ゛ ゜) after a kana and
//     the voiced kana (ｶﾞ = ガ, ﾊﾟ = パ, ｳﾞ = ヴ);
//   - hiragana and katakana, voiced ones included (が = ガ);
//   - small and large kana (ァ = ア, ッ = ツ, ャ = ヤ, ヮ = ワ, ヵ = カ, ヶ = ケ);
//   - full-width ASCII letters, digits and signs and their ASCII forms (Ａ = A, ２ = 2, ！ = !);
//   - upper- and lower-case letters a to z;
//   - the long-vowel and dash signs ー ｰ － ― ‐ and -;
// and drops spaces (" " and "　"), "_" (and "＿"), "・" and "･".
// Not folded: ＼ ￥ ～ ￣, whose one-byte forms the program reads as JIS X 0201 (0x5C is ¥, 0x7E is
// ‾), and ＂ ＇, which code page 932 keeps outside the 0x81 and 0x82 rows.
//
// The key is Shift-JIS and spells kana in their half-width form (ガ as ｶﾞ, じ as ｼﾞ, the dash as "-"),
// so it is never longer than the name: FOLD_NAME bytes hold the key of any name of up to 255 bytes.
// Folding a key gives the key again.
#pragma once

constexpr int FOLD_NAME = 256;  // room for the key of any name the program keeps (names up to 255 bytes)

// The spelling key of a Shift-JIS name: two names are "the same spelling" when their keys are equal.
// Reads src up to its 0 byte and never past src_max bytes (src_max < 0: no limit but the 0).
// Writes dst (dst_size bytes), always terminated; stops, whole characters only, when full. Returns the
// key's length (0, with nothing written, when dst_size is 0 or less).
// Bytes that are not Shift-JIS are taken one at a time: a lead byte (0x80 to 0x9F, 0xE0 to 0xFC)
// without a trail byte (0x40 to 0x7E, 0x80 to 0xFC) after it is dropped, as is the half of a character
// cut by the end of the field; any other byte is kept as it is.
int fold_name(char* dst, int dst_size, const char* src, int src_max);

// The look-alike key of a name: its spelling key, where a few signs that a name may carry in a look-alike
// of another script or case are taken as one: ∧ and Greek Λ, д and Д, □ and the kanji 口, △ and Greek Δ,
// ○ and the kanji zero 〇. Reads and writes as fold_name does. Returns how many of those characters the
// name holds (0: the key is the spelling key; 0 also when dst_size is 0 or less).
int fold_alike(char* dst, int dst_size, const char* src, int src_max);

// The spelling key with gaps: where the spelling key drops a run of spaces, "_" and "・" (and any "."
// beside them), this key holds one "." ("Right leg" and "Right_Leg" give "right.leg", "RightLeg" gives
// "rightleg"). Reads, writes and returns as fold_name does; never longer than the name.
int fold_gaps(char* dst, int dst_size, const char* src, int src_max);
