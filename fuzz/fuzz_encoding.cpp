// fuzz_encoding.cpp: libFuzzer target: every converter of the text layer, the UTF-16 string operations,
// cut_broken_tail and the two file detectors (check_file_utf8, chkifsjis, by both path forms).
//
// Input: byte 0 picks the destination capacity (bit 7 set: room for any output; else 0 to 63 units or
// bytes, to cut the output), byte 1 where the existing string of utf16_append ends, the rest is the
// text. The text is handed over as a 0-terminated byte string, as UTF-16 units (two bytes each) and as
// UTF-16 bytes, each in a heap block of exactly its size; every destination is exactly its capacity.
// Each output must end inside its destination; the append must leave what precedes the end alone. With room for any output and a text without 0 bytes, the converters and the detectors must
// agree: chkifsjis gives the flags of sjis_to_utf8_compat, check_file_utf8 the result of utf8_to_utf16,
// and UTF-16 without surrogates survives UTF-8 and back.
#include <cstdint>
#include <cstring>

#include "fuzz_common.h"
#include "formats/detect.h"
#include "paths/paths.h"
#include "text/encoding.h"

namespace {

// Length of a 0-terminated UTF-16 string inside a block of cap units; cap when there is no 0.
size_t len16(const char16_t* s, size_t cap) {
  size_t n = 0;
  while (n < cap && s[n] != 0) n++;
  return n;
}

void ends8(FuzzBlock& b, int cap, const char* what) {
  if (cap > 0) FUZZ_CHECK(strnlen(b.c(), (size_t)cap) < (size_t)cap, "%s: no terminator in %d bytes", what, cap);
}

void ends16(FuzzBlock& b, int cap, const char* what) {
  if (cap > 0) FUZZ_CHECK(len16(b.u(), (size_t)cap) < (size_t)cap, "%s: no terminator in %d units", what, cap);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_scratch_dir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t pick = data[0], endpick = data[1];
  const uint8_t* text = data + 2;
  const size_t n = size - 2;
  const bool roomy = (pick & 0x80) != 0;
  const int cap = roomy ? (int)(4 * n + 16) : (int)(pick & 0x3F);
  const bool has_nul = std::memchr(text, 0, n) != nullptr;

  // The text as a C string, as UTF-16 units, and as UTF-16 bytes (padded to whole units, then a 0 unit).
  FuzzBlock s(n + 1);
  fuzz_cstr(s, text, n);
  const size_t units = n / 2;
  FuzzBlock u((units + 1) * 2);
  for (size_t i = 0; i < units; i++) u.u()[i] = (char16_t)(text[2 * i] | text[2 * i + 1] << 8);
  u.u()[units] = 0;
  FuzzBlock ub(units * 2 + 2);
  std::memcpy(ub.p, u.p, units * 2 + 2);
  const size_t ulen = len16(u.u(), units + 1);

  {
    FuzzBlock d((size_t)cap * 2);
    int taken = sjis_to_utf16(d.u(), cap, s.c());
    ends16(d, cap, "sjis_to_utf16");
    FUZZ_CHECK(taken >= 0 && (size_t)taken <= strlen(s.c()), "sjis_to_utf16 took %d", taken);
  }
  {
    FuzzBlock d((size_t)cap);
    int taken = utf16_to_sjis(d.c(), cap, u.u());
    ends8(d, cap, "utf16_to_sjis");
    FUZZ_CHECK(taken >= 0 && (size_t)taken <= ulen, "utf16_to_sjis took %d", taken);
    int fits = utf16_fits_sjis(u.u());
    FUZZ_CHECK(fits == 0 || fits == -1, "utf16_fits_sjis %d", fits);
    if (roomy && fits == 0 && ulen <= 9998) {
      FUZZ_CHECK(std::strchr(d.c(), '?') == nullptr || std::memchr(u.p, '?', ulen * 2) != nullptr,
                 "utf16_fits_sjis said yes, utf16_to_sjis wrote ?");
    }
  }
  {
    FuzzBlock d((size_t)cap);
    int taken = utf16_to_sjis_compat(d.c(), cap, ub.p);
    ends8(d, cap, "utf16_to_sjis_compat");
    FUZZ_CHECK(taken >= 0 && taken % 2 == 0 && (size_t)taken <= ulen * 2, "utf16_to_sjis_compat took %d", taken);
  }
  int utf8_result;
  {
    FuzzBlock d((size_t)cap * 2);
    utf8_result = utf8_to_utf16(d.u(), cap, s.c());
    ends16(d, cap, "utf8_to_utf16");
    FUZZ_CHECK(utf8_result == 7 || utf8_result == 0, "utf8_to_utf16 %d", utf8_result);
  }
  {
    FuzzBlock d((size_t)cap);
    int r = utf8_to_sjis_compat(d.c(), cap, s.c());
    ends8(d, cap, "utf8_to_sjis_compat");
    FUZZ_CHECK(r == 7 || r == 0, "utf8_to_sjis_compat %d", r);
    if (roomy) FUZZ_CHECK(r == utf8_result, "utf8_to_sjis_compat %d, utf8_to_utf16 %d", r, utf8_result);
  }
  int sjis_flags;
  {
    FuzzBlock d((size_t)cap);
    sjis_flags = sjis_to_utf8_compat(d.c(), cap, s.c());
    ends8(d, cap, "sjis_to_utf8_compat");
    FUZZ_CHECK(sjis_flags >= 0 && sjis_flags <= 15, "sjis_to_utf8_compat flags %d", sjis_flags);
  }
  {
    FuzzBlock d((size_t)cap);
    int taken = utf16_to_utf8(d.c(), cap, ub.p);
    ends8(d, cap, "utf16_to_utf8");
    FUZZ_CHECK(taken >= 0 && taken % 2 == 0 && (size_t)taken <= ulen * 2, "utf16_to_utf8 took %d", taken);
    bool surrogates = false;
    for (size_t i = 0; i < ulen; i++) surrogates |= u.u()[i] >= 0xD800 && u.u()[i] <= 0xDFFF;
    if (roomy && !surrogates) {
      // Back to UTF-16: the same units.
      FuzzBlock back((ulen + 1) * 2);
      FUZZ_CHECK(utf8_to_utf16(back.u(), (int)ulen + 1, d.c()) == 7, "UTF-8 made from UTF-16 is not clean");
      FUZZ_CHECK(std::memcmp(back.p, u.p, (ulen + 1) * 2) == 0, "UTF-16 to UTF-8 and back differs");
    }
  }
  {
    int len = utf16_length(u.u());
    FUZZ_CHECK((size_t)len == (ulen < 4999 ? ulen : 4999), "utf16_length %d of %d units", len, (int)ulen);
    FuzzBlock d((size_t)cap * 2);
    int copied = utf16_copy(d.u(), cap, u.u());
    ends16(d, cap, "utf16_copy");
    FUZZ_CHECK(copied >= 0 && (size_t)copied <= ulen, "utf16_copy %d", copied);
    const int end = (int)(endpick % (cap + 1));
    for (int i = 0; i < cap; i++) d.u()[i] = i == end ? 0 : u'B';
    utf16_append(d.u(), cap, u.u());
    for (int i = 0; i < end && i < cap; i++) FUZZ_CHECK(d.u()[i] == u'B', "utf16_append wrote before the end");
  }
  {
    FuzzBlock c(n + 1);
    fuzz_cstr(c, text, n);
    size_t before = strlen(c.c());
    int r = cut_broken_tail(c.c());
    FUZZ_CHECK(r == 0 || r == 1, "cut_broken_tail %d", r);
    FUZZ_CHECK(strlen(c.c()) + (size_t)r == before, "cut_broken_tail removed more than a byte");
  }

  // The detectors read the text (0 bytes included) from a file, by both path forms.
  FuzzPath f = fuzz_write("text.txt", text, n);
  int utf8_a = check_file_utf8(f.a.c_str()), utf8_w = check_file_utf8W(f.w.c_str());
  int sjis_a = chkifsjis(f.a.c_str()), sjis_w = chkifsjisW(f.w.c_str());
  FUZZ_CHECK(utf8_a == utf8_w && sjis_a == sjis_w, "detectors differ by path form");
  FUZZ_CHECK(utf8_a == 7 || utf8_a == 0, "check_file_utf8 %d", utf8_a);
  FUZZ_CHECK(sjis_a >= 0 && sjis_a <= 15, "chkifsjis %d", sjis_a);
  if (roomy && !has_nul) {
    FUZZ_CHECK(utf8_a == utf8_result, "check_file_utf8 %d, utf8_to_utf16 %d", utf8_a, utf8_result);
    FUZZ_CHECK(sjis_a == sjis_flags, "chkifsjis %d, sjis_to_utf8_compat %d", sjis_a, sjis_flags);
  }
  return 0;
}
