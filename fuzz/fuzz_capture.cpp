// fuzz_capture.cpp: libFuzzer target: the BMP capture writer over pages of odd sizes, through a sink
// that fails after a chosen number of bytes, the name test on arbitrary names, and the real byte writer
// on fixed names in the scratch directory.
//
// Input: bytes 0-1 and 2-3 the page width and height (signed 16-bit, folded to -8..691 and -8..191),
// bytes 4-5 the byte at which the sink fails (0xFFFF: never), the rest a name for the name test (ANSI,
// and UTF-16 from the same bytes). Checked: the result codes for every failure point (1, 2, 11, -2);
// a complete file is exactly 54 + row size x height bytes with the header fields of the format, the
// rows bottom-up, each pixel blue, green, red from the page and 0 padding to a multiple of 4; the file
// that capture_bmp_from and capture_bmp_w_from write holds the same bytes; nothing else is written.
#include <cstdint>
#include <cstring>
#include <string>

#include "console/capture.h"
#include "fuzz_common.h"

namespace {

int32_t page_w, page_h;
int pumps;

void pixel_of(uint8_t out[3], int x, int y) {
  out[0] = (uint8_t)(x * 7 + y);
  out[1] = (uint8_t)(y * 13 + 1);
  out[2] = (uint8_t)(x ^ y);
}

int read_pixel(uint8_t out[3], int x, int y) {
  FUZZ_CHECK(x >= 0 && x < page_w && y >= 0 && y < page_h, "pixel %d,%d of a %dx%d page", x, y, page_w, page_h);
  pixel_of(out, x, y);
  return 0;
}

void pump() { pumps++; }

// A sink in memory that fails (and closes itself) at byte fail_at.
struct MemSink {
  std::string bytes;
  long fail_at;
  bool open;
};
MemSink mem;

int mem_put(int byte) {
  if (!mem.open) return -1;
  if ((long)mem.bytes.size() == mem.fail_at) {
    mem.open = false;
    return -1;
  }
  mem.bytes += (char)(byte & 0xFF);
  return 0;
}
int mem_put16(int v) {
  mem_put(v & 0xFF);
  mem_put((v >> 8) & 0xFF);
  return mem.open ? 0 : 255;
}
int mem_put32(int32_t v) {
  for (int i = 0; i < 4; i++) mem_put((int)(((uint32_t)v >> (8 * i)) & 0xFF));
  return mem.open ? 0 : 255;
}
uint8_t mem_closed() { return mem.open ? 0 : 255; }
void mem_close() { mem.open = false; }
const CaptureSink mem_sink = {mem_put, mem_put16, mem_put32, mem_closed, mem_close};

uint32_t le32(const std::string& b, size_t at) {
  return (uint32_t)(unsigned char)b[at] | (uint32_t)(unsigned char)b[at + 1] << 8 |
         (uint32_t)(unsigned char)b[at + 2] << 16 | (uint32_t)(unsigned char)b[at + 3] << 24;
}

// The whole file the writer must give for the page.
std::string expected_file(int32_t w, int32_t h) {
  if (w < 0) w = 0;
  if (h < 0) h = 0;
  size_t row = ((size_t)w * 3 + 3) & ~(size_t)3;
  std::string f;
  auto put = [&f](uint32_t v, int n) {
    for (int i = 0; i < n; i++) f += (char)((v >> (8 * i)) & 0xFF);
  };
  f += "BM";
  put((uint32_t)(row * h + 54), 4);
  put(0, 4);
  put(54, 4);
  put(40, 4);
  put((uint32_t)w, 4);
  put((uint32_t)h, 4);
  put(1, 2);
  put(24, 2);
  for (int i = 0; i < 6; i++) put(0, 4);
  for (int32_t y = h - 1; y >= 0; y--) {
    for (int32_t x = 0; x < w; x++) {
      uint8_t rgb[3];
      pixel_of(rgb, x, y);
      f += (char)rgb[2];
      f += (char)rgb[1];
      f += (char)rgb[0];
    }
    f.append(row - (size_t)w * 3, '\0');
  }
  return f;
}

std::vector<std::string> expected_listing;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_scratch_dir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 6) return 0;
  page_w = (int32_t)((int16_t)(data[0] | data[1] << 8) % 700) - 8;
  page_h = (int32_t)((int16_t)(data[2] | data[3] << 8) % 200) - 8;
  if (page_w < -8) page_w += 700;
  if (page_h < -8) page_h += 200;
  const unsigned fail_raw = data[4] | data[5] << 8;
  const long fail_at = fail_raw == 0xFFFF ? -1 : (long)fail_raw;
  CapturePageSource src = {page_w, page_h, read_pixel, pump};
  const std::string want = expected_file(page_w, page_h);
  const int32_t rows = page_h < 0 ? 0 : page_h;

  // Into memory, failing at fail_at.
  mem.bytes.clear();
  mem.fail_at = fail_at;
  mem.open = true;
  pumps = 0;
  int r = capture_write(&src, &mem_sink);
  FUZZ_CHECK(!mem.open, "the sink was left open");
  FUZZ_CHECK(want.compare(0, mem.bytes.size(), mem.bytes) == 0, "the bytes written differ from the format");
  if (fail_at < 0 || fail_at >= (long)want.size()) {
    FUZZ_CHECK(r == 0 && mem.bytes == want, "complete write gave %d and %d of %d bytes", r, (int)mem.bytes.size(),
               (int)want.size());
    FUZZ_CHECK(pumps == rows, "%d pumps for %d rows", pumps, rows);
  } else {
    int expect = fail_at == 0 ? 1 : fail_at == 1 ? 2 : fail_at < 54 ? 11 : -2;
    FUZZ_CHECK(r == expect, "failure at byte %ld gave %d, not %d", fail_at, r, expect);
    FUZZ_CHECK((long)mem.bytes.size() == fail_at, "%d bytes before a failure at %ld", (int)mem.bytes.size(), fail_at);
  }
  FUZZ_CHECK(le32(want, 2) == want.size(), "the file-size field");

  // The name test on the rest, in both forms.
  const size_t n = size - 6;
  FuzzBlock name(n + 1);
  fuzz_cstr(name, data + 6, n);
  int t = capture_name_test(name.c());
  FUZZ_CHECK(t == 0 || t == 4, "name test %d", t);
  const size_t units = n / 2;
  FuzzBlock wname((units + 1) * 2);
  for (size_t i = 0; i < units; i++) wname.u()[i] = (char16_t)(data[6 + 2 * i] | data[7 + 2 * i] << 8);
  wname.u()[units] = 0;
  int tw = capture_name_test_w(wname.u());
  FUZZ_CHECK(tw == 0 || tw == 4, "UTF-16 name test %d", tw);

  // The real byte writer, on small pages, by both path forms.
  if (page_w <= 64 && page_h <= 64) {
    FuzzPath a = fuzz_path("cap(1).bmp"), w = fuzz_path("CAP(2).Bmp");
    FUZZ_CHECK(capture_bmp_from(&src, a.a.c_str()) == 0, "capture_bmp_from");
    FUZZ_CHECK(capture_bmp_w_from(&src, w.w.c_str()) == 0, "capture_bmp_w_from");
    FUZZ_CHECK(fuzz_read(a.a) == want && fuzz_read(w.a) == want, "the files differ from the format");
    FUZZ_CHECK(capture_bmp_from(&src, fuzz_path("cap(3).png").a.c_str()) == 4, "a .png name");
    expected_listing = {"CAP(2).Bmp", "cap(1).bmp"};
    FUZZ_CHECK(fuzz_scratch_listing() == expected_listing, "other files in the scratch directory");
    unlink(a.a.c_str());
    unlink(w.a.c_str());
  }
  return 0;
}
