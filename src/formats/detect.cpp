// detect.cpp: the two file-encoding detectors that decide how an alias file is read: clean UTF-8, or
// how plausible Shift-JIS it is.
//
// Records: none; both read the text reader (filechan.h) byte by byte (rsgetc, with rspeek for the byte
// after) and close it when done.
// Trust: the file is untrusted; it is read once to its end, nothing is kept.
#include "formats/detect.h"

#include "formats/filechan.h"
#include "text/encoding.h"

// The UTF-8 scan of check_file_utf8: the lead bytes and continuation bytes of the converters, with the end of the file counting
// as a missing continuation byte.
static int det_scan_utf8() {
  int result = UTF8_CLEAN, bad = 0;
  for (;;) {
    int b = rsgetc();
    if (b < 0) break;
    int more = utf8_more((unsigned)b);
    bool broken = more < 0;
    for (int k = 0; k < more; k++) {
      int c = rspeek();
      if (c < 0x80 || c > 0xBF) {
        broken = true;
        break;
      }
      rsgetc();
    }
    if (broken) {
      if (++bad == 2) break;
      result = UTF8_BROKEN;
    }
  }
  return result;
}

// The Shift-JIS plausibility flags: bit 0 and 1 survive most things, bit 2 only a file without an
// impossible pair or a cut character, bit 3 says bytes 0xE0 and up occur.
static int det_scan_sjis() {
  int flags = SJIS_FLAGS_START;
  for (;;) {
    int b = rsgetc();
    if (b < 0x80) {
      if (b < 0) break;
      continue;
    }
    if (b >= 0xA0 && b <= 0xDF) continue;  // one-byte katakana
    if (b >= 0xFD) {
      flags |= SJIS_FLAG_HIGH;
      continue;
    }
    int t = rsgetc();  // b is 0x80-0x9F or 0xE0-0xFC: a lead byte
    if (t < 0) {
      flags &= 3;
      break;
    }
    if (b == 0x80) {
      flags &= 2;
      continue;
    }
    if (b >= 0xE0) flags |= SJIS_FLAG_HIGH;
    if (t <= 0x3F) flags &= 1;
  }
  return flags;
}

// One scan of the file the text reader opened (opened is rsopen's or rsopenW's result), then the close.
static int det_scan_file(int opened, int (*scan)()) {
  if (opened != 0) return DETECT_UNOPENED;
  int r = scan();
  rsclose();
  return r;
}

int check_file_utf8(const char* path) { return det_scan_file(rsopen(path), det_scan_utf8); }
int check_file_utf8W(const char16_t* path) { return det_scan_file(rsopenW(path), det_scan_utf8); }
int chkifsjis(const char* path) { return det_scan_file(rsopen(path), det_scan_sjis); }
int chkifsjisW(const char16_t* path) { return det_scan_file(rsopenW(path), det_scan_sjis); }
