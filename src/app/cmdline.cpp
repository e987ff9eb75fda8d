// cmdline.cpp: the two argument lists and their splitters and appends (see cmdline.h).
//
// Records: args_w and args_a, written by the splitters at start-up and by the appends (the open dialog's
// file, and dropped files from the display loop and the window procedure).
// Limits: 511 words, 65,535 store units; words beyond the limit are refused, a word longer than the
// rest of the store is cut to fit with its terminator.
#include "app/cmdline.h"

#include "sys/sys.h"

struct ArgListW {
  char16_t store[ARG_STORE];           // the words, each followed by a 0
  int32_t word_start[ARG_MAX_WORDS + 1]; // start of each word; the entry after the last marks the end
  int32_t word_count;
  int32_t next_free;                   // store index where the next appended word starts
};
struct ArgListA {
  char store[ARG_STORE];
  int32_t word_start[ARG_MAX_WORDS + 1];
  int32_t word_count;
  int32_t next_free;
};

static ArgListW args_w;
static ArgListA args_a;

// One splitter for both forms. Unit is char16_t or unsigned char; the ANSI form keeps a double-byte
// character whole, so that a trail byte 0x22 or 0x20 neither toggles quoting nor ends a word.
template <typename List, typename Unit>
static void arg_split(List& list, const Unit* line, bool ansi) {
  int pos = 0;    // characters of the line consumed
  int store = 0;  // next store index
  int words = 0;
  bool quoted = false;
  list.word_start[0] = 0;
  while (pos < ARG_LINE_LIMIT && (line[pos] == ' ' || line[pos] == '\t')) pos++;
  // Room is kept for the terminator after the last word.
  while (pos < ARG_LINE_LIMIT && line[pos] != 0 && store < ARG_STORE - 1) {
    Unit c = line[pos];
    if (ansi && sys_is_dbcs_lead((unsigned char)c) && line[pos + 1] != 0 && pos + 1 < ARG_LINE_LIMIT) {
      if (store + 2 > ARG_STORE - 1) break;
      list.store[store++] = (decltype(list.store[0]))c;
      list.store[store++] = (decltype(list.store[0]))line[pos + 1];
      pos += 2;
      continue;
    }
    pos++;
    if (c == '"') {
      quoted = !quoted;
      continue;
    }
    if (c == ' ' && !quoted) {
      if (words + 1 >= ARG_MAX_WORDS || store >= ARG_SPLIT_STOP) break;
      list.store[store++] = 0;
      while (pos < ARG_LINE_LIMIT && line[pos] == ' ') pos++;
      words++;
      list.word_start[words] = store;
      continue;
    }
    list.store[store++] = (decltype(list.store[0]))c;
  }
  list.store[store++] = 0;
  words++;
  list.word_start[words] = store;
  list.word_count = words;
  list.next_free = store;
  // A line that ends in blanks leaves an empty last word behind: it is not a word. (Only the
  // program's path followed by blanks would be caught by checking for two words; a file argument
  // followed by a blank must not become an empty file argument either.)
  if (words >= 2 && list.store[list.word_start[words - 1]] == 0) {
    // The end mark stays at the empty word's start, where the next append begins.
    list.word_count = words - 1;
    list.next_free = list.word_start[words - 1];
  }
}

void split_command_line_utf16_from(const char16_t* line) { arg_split(args_w, line, false); }
void split_command_line_ansi_from(const char* line) {
  arg_split(args_a, reinterpret_cast<const unsigned char*>(line), true);
}
void split_command_line_utf16() { split_command_line_utf16_from(sys_command_line_w()); }
void split_command_line_ansi() { split_command_line_ansi_from(sys_command_line_a()); }

template <typename List, typename Unit>
static int arg_append(List& list, const Unit* word) {
  if (word[0] == 0) return 1;
  if (list.word_count >= ARG_MAX_WORDS) return -1;
  int at = list.next_free;
  if (at >= ARG_STORE - 1) return -1;
  int n = 0;
  while (word[n] != 0 && at + n < ARG_STORE - 1) {
    list.store[at + n] = word[n];
    n++;
  }
  list.store[at + n] = 0;
  list.word_start[list.word_count] = at;
  list.word_count++;
  list.next_free = at + n + 1;
  list.word_start[list.word_count] = list.next_free;
  return 0;
}

int arg_append_utf16(const char16_t* word) { return arg_append(args_w, word); }
int arg_append_ansi(const char* word) { return arg_append(args_a, word); }

const char16_t* arg_w(int k) {
  if (k < 0 || k >= args_w.word_count) return u"";
  return args_w.store + args_w.word_start[k];
}

const char* arg_a(int k) {
  if (k < 0 || k >= args_a.word_count) return "";
  return args_a.store + args_a.word_start[k];
}

int arg_count_w() { return args_w.word_count; }
int arg_count_a() { return args_a.word_count; }
