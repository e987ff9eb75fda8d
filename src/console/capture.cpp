// capture.cpp: the BMP capture's portable part (see capture.h): the name test, the headers and the rows
// bottom-up, through a byte sink, with the page read through a page source.
//
// Records: none; the byte writer is the one channel it writes through.
// Limits: a negative page side counts as 0; the file-size field is the low 32 bits of row size x height
// + 54, as the format has room for no more.
// Trust: the page source is the program's own; the name comes from the caller and is only measured
// through the path operations, which bound every copy.
#include "console/capture.h"

#include "formats/filechan.h"
#include "paths/paths.h"

constexpr int CAPTURE_NAME_BYTES = 1024;  // the name test's working copies; longer names are cut

// ---- Name test ---------------------------------------------------------------------------------------

int capture_name_test(const char* path) {
  static char field[CAPTURE_NAME_BYTES];
  static char ext[CAPTURE_NAME_BYTES];
  if (path == nullptr) return CAPTURE_NOT_BMP;
  const char* name = path;
  if (list_field(field, sizeof field, path, 1) == 0) {
    list_field(field, sizeof field, path, 0);
    name = field;
  }
  path_ext(ext, sizeof ext, name);
  return prefix_nocase(ext, ".BMP") == 0 ? CAPTURE_DONE : CAPTURE_NOT_BMP;
}

int capture_name_test_w(const char16_t* path) {
  static char16_t field[CAPTURE_NAME_BYTES];
  static char16_t ext[CAPTURE_NAME_BYTES];
  if (path == nullptr) return CAPTURE_NOT_BMP;
  // The first ";"-separated field (the whole name without a ";").
  int n = 0;
  while (n < CAPTURE_NAME_BYTES - 1 && path[n] != 0 && path[n] != u';') {
    field[n] = path[n];
    n++;
  }
  field[n] = 0;
  path_ext_w(ext, CAPTURE_NAME_BYTES, field);
  return prefix_nocase_w(ext, u".BMP") == 0 ? CAPTURE_DONE : CAPTURE_NOT_BMP;
}

// ---- Writing -----------------------------------------------------------------------------------------------

int capture_write(const CapturePageSource* source, const CaptureSink* sink) {
  int32_t w = source->width < 0 ? 0 : source->width;
  int32_t h = source->height < 0 ? 0 : source->height;
  int64_t row = ((int64_t)w * 3 + 3) & ~(int64_t)3;
  int pad = (int)(row - (int64_t)w * 3);
  uint32_t file_size = (uint32_t)(row * h + CAPTURE_HEADER_BYTES);

  if (sink->put('B') != 0) {
    sink->close();
    return CAPTURE_NO_SIGNATURE_B;
  }
  if (sink->put('M') != 0) {
    sink->close();
    return CAPTURE_NO_SIGNATURE_M;
  }
  sink->put32((int32_t)file_size);
  sink->put16(0);
  sink->put16(0);
  sink->put32(CAPTURE_HEADER_BYTES);
  sink->put32(40);  // info header size
  sink->put32(w);
  sink->put32(h);   // positive: rows stored bottom-up
  sink->put16(1);   // planes
  sink->put16(24);  // bits per pixel
  for (int i = 0; i < 6; i++) sink->put32(0);  // BI_RGB, image size, resolutions, colours
  if (sink->closed()) {
    sink->close();
    return CAPTURE_NO_HEADERS;
  }
  for (int32_t y = h - 1; y >= 0; y--) {
    if (source->pump) source->pump();
    if (sink->closed()) return CAPTURE_NO_ROW;
    for (int32_t x = 0; x < w; x++) {
      uint8_t rgb[3] = {0, 0, 0};
      if (source->read_pixel(rgb, x, y) != 0) rgb[0] = rgb[1] = rgb[2] = 0;
      sink->put(rgb[2]);
      sink->put(rgb[1]);
      sink->put(rgb[0]);
    }
    for (int i = 0; i < pad; i++) sink->put(0);
  }
  // A write error in the last row is a failed row as well.
  if (sink->closed()) return CAPTURE_NO_ROW;
  sink->close();
  return CAPTURE_DONE;
}

// The byte writer as a sink. Its buffer is written out when it closes, so a full disk may show only
// then: a close that fails makes the capture a failed row, not a success.
static bool capture_close_failed;
static void capture_writer_close() {
  if (wfclose() != 0) capture_close_failed = true;
}
static const CaptureSink capture_writer = {wfputc, wfput16, wfput32, wfclosed, capture_writer_close};

static int capture_to_writer(const CapturePageSource* source) {
  capture_close_failed = false;
  int result = capture_write(source, &capture_writer);
  return result == CAPTURE_DONE && capture_close_failed ? CAPTURE_NO_ROW : result;
}

int capture_bmp_from(const CapturePageSource* source, const char* path) {
  if (capture_name_test(path) != CAPTURE_DONE) return CAPTURE_NOT_BMP;
  if (wfopen(path) != 0) return CAPTURE_UNCREATED;
  return capture_to_writer(source);
}

int capture_bmp_w_from(const CapturePageSource* source, const char16_t* path) {
  if (capture_name_test_w(path) != CAPTURE_DONE) return CAPTURE_NOT_BMP;
  if (wfopenW(path) != 0) return CAPTURE_UNCREATED;
  return capture_to_writer(source);
}
