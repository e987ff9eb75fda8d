// fuzz_cmdline.cpp: libFuzzer target: the two command-line splitters, the appends of the open dialog and
// of drops, and the options pass.
//
// Input: byte 0 holds flags (bit 7: the ANSI line is its first part repeated, (byte 0 & 0x3F) * 64 + 1
// times, to reach the 65,533-character and 65,275-unit limits with a short input; bit 6: a Western code
// page, where no byte is a lead byte). Then the ANSI line up to the first 0 byte, then the UTF-16 line
// (two bytes a unit) up to the first 0 unit, then words to append to both lists, separated by bytes 0x01.
// Checked after every step, through the lists' readers: 1 to 511 words, lying one after another from
// the start of the 65,535-unit store, each ended by a 0 inside it; a pure ASCII line splits into the
// same words in both forms; appends refuse only at 511 words or a full store.
#include <cstdint>
#include <cstring>
#include <string>

#include "app/cmdline.h"
#include "app/run.h"
#include "fuzz_common.h"
#include "sys/sys.h"

namespace {

// Checks a list through its readers (word k, the count) and returns the store units its words take,
// terminators included: the words lie one after another from the start of the store (a trailing
// blank's empty word was taken back and leaves no gap), each ended by a 0 inside the store.
template <typename Unit>
int check_list(const Unit* (*word)(int), int count, const char* what) {
  FUZZ_CHECK(count >= 1 && count <= ARG_MAX_WORDS, "%s: %d words", what, count);
  const Unit* store = word(0);
  int used = 0;
  for (int k = 0; k < count; k++) {
    const Unit* w = word(k);
    FUZZ_CHECK(w == store + used, "%s: word %d starts %d units from the end of the one before", what, k,
               (int)(w - (store + used)));
    // The word ends inside the store.
    int i = 0;
    while (used + i < ARG_STORE && w[i] != 0) i++;
    FUZZ_CHECK(used + i < ARG_STORE, "%s: word %d not ended inside the store", what, k);
    used += i + 1;
  }
  return used;
}

int check_a(const char* what) { return check_list<char>(arg_a, arg_count_a(), what); }
int check_w(const char* what) { return check_list<char16_t>(arg_w, arg_count_w(), what); }

std::u16string widen(const std::string& s) {
  std::u16string w;
  for (unsigned char c : s) w += (char16_t)c;
  return w;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t flags = data[0];
  sys_set_locale_for_test(flags & 0x40 ? 0x0409 : 0x0411, flags & 0x40 ? 1252 : 932);
  const char* p = reinterpret_cast<const char*>(data) + 1;
  const char* end = reinterpret_cast<const char*>(data) + size;

  // The ANSI line.
  const char* nul = static_cast<const char*>(std::memchr(p, 0, (size_t)(end - p)));
  std::string part(p, nul != nullptr ? nul : end);
  p = nul != nullptr ? nul + 1 : end;
  std::string line = part;
  if (flags & 0x80) {
    for (int i = (flags & 0x3F) * 64; i > 0; i--) line += part;
  }
  // The UTF-16 line.
  std::u16string wline;
  while (end - p >= 2) {
    char16_t c = (char16_t)((unsigned char)p[0] | (unsigned char)p[1] << 8);
    p += 2;
    if (c == 0) break;
    wline += c;
  }

  {
    FuzzBlock a(line.size() + 1);
    fuzz_cstr(a, reinterpret_cast<const uint8_t*>(line.data()), line.size());
    split_command_line_ansi_from(a.c());
  }
  check_a("ANSI");
  bool ascii = true;
  for (unsigned char c : line) ascii &= c < 0x80;
  if (ascii) {
    std::u16string wide = widen(line);
    FuzzBlock w((wide.size() + 1) * 2);
    std::memcpy(w.p, wide.c_str(), (wide.size() + 1) * 2);
    split_command_line_utf16_from(w.u());
    check_w("UTF-16 of ASCII");
    FUZZ_CHECK(arg_count_a() == arg_count_w(), "ASCII line: %d and %d words", arg_count_a(), arg_count_w());
    for (int k = 0; k < arg_count_a(); k++) FUZZ_CHECK(widen(arg_a(k)) == std::u16string(arg_w(k)), "word %d differs", k);
  }
  {
    FuzzBlock w((wline.size() + 1) * 2);
    std::memcpy(w.p, wline.c_str(), (wline.size() + 1) * 2);
    split_command_line_utf16_from(w.u());
  }
  check_w("UTF-16");

  // Appends, in pairs.
  while (p < end) {
    const char* sep = static_cast<const char*>(std::memchr(p, 0x01, (size_t)(end - p)));
    std::string word(p, sep != nullptr ? sep : end);
    p = sep != nullptr ? sep + 1 : end;
    word = word.c_str();
    int count_a = arg_count_a(), used_a = check_a("ANSI before append");
    FuzzBlock a(word.size() + 1);
    fuzz_cstr(a, reinterpret_cast<const uint8_t*>(word.data()), word.size());
    int ra = arg_append_ansi(a.c());
    std::u16string wide = widen(word);
    FuzzBlock w((wide.size() + 1) * 2);
    std::memcpy(w.p, wide.c_str(), (wide.size() + 1) * 2);
    int rw = arg_append_utf16(w.u());
    check_a("ANSI after append");
    check_w("UTF-16 after append");
    if (word.empty()) {
      FUZZ_CHECK(ra == 1 && rw == 1, "empty word appended");
    } else if (ra == -1) {
      FUZZ_CHECK(count_a == ARG_MAX_WORDS || used_a >= ARG_STORE - 1, "refused with %d words, %d units used", count_a, used_a);
    } else {
      FUZZ_CHECK(ra == 0 && arg_count_a() == count_a + 1, "append %d", ra);
      std::string got = arg_a(count_a);
      FUZZ_CHECK(word.compare(0, got.size(), got) == 0 && !got.empty(), "appended word differs");
    }
  }
  FUZZ_CHECK(arg_a(-1)[0] == 0 && arg_a(ARG_MAX_WORDS)[0] == 0 && arg_w(-1)[0] == 0 && arg_w(arg_count_w())[0] == 0,
             "a word out of range");

  // The options pass over what the lists now hold.
  run_options();
  for (int k = 0; k <= arg_count_a(); k++) run_is_option(k);
  return 0;
}
