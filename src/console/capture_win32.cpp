// capture_win32.cpp: capture_bmp and capture_bmp_w over the console: the page source is the console's
// page (console_page_width, console_page_height, console_read_pixel) and its message pump.
//
// Records: none.
#include "console/capture.h"
#include "console/console.h"

static CapturePageSource capture_console_source() {
  CapturePageSource s;
  s.width = console_page_width();
  s.height = console_page_height();
  s.read_pixel = console_read_pixel;
  s.pump = console_pump;
  return s;
}

int capture_bmp(const char* path) {
  if (capture_name_test(path) != CAPTURE_DONE) return CAPTURE_NOT_BMP;
  CapturePageSource s = capture_console_source();
  return capture_bmp_from(&s, path);
}

int capture_bmp_w(const char16_t* path) {
  if (capture_name_test_w(path) != CAPTURE_DONE) return CAPTURE_NOT_BMP;
  CapturePageSource s = capture_console_source();
  return capture_bmp_w_from(&s, path);
}
