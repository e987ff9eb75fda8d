// capture.h: the window capture: the console's whole page, not only its visible part, written
// as an uncompressed 24-bit BMP file (14-byte file header, 40-byte BITMAPINFOHEADER, rows bottom-up, each
// padded to a multiple of 4 bytes) through the byte writer. Messages keep being dispatched between rows.
//
// The writing is portable: it reads the page through a page source (the console's, on Windows) and
// writes through a byte sink (the byte writer, in the program).
#pragma once
#include <cstdint>

constexpr int CAPTURE_HEADER_BYTES = 54;  // file header 14 + info header 40

// Where the pixels come from: the page size, a pixel reader (red, green, blue into out; its result is
// ignored, an unreadable pixel is black) and a message pump called before every row (may be null).
struct CapturePageSource {
  int32_t width, height;
  int (*read_pixel)(uint8_t out[3], int x, int y);
  void (*pump)();
};

// Where the bytes go once the file is open: the byte writer's operations.
struct CaptureSink {
  int (*put)(int byte);          // 0, or -1 after a write error (the sink closes itself)
  int (*put16)(int value);       // low byte first; returns the closed flag
  int (*put32)(int32_t value);
  uint8_t (*closed)();           // 0 open, not 0 closed (the byte writer's CHAN_CLOSED)
  void (*close)();
};

// The capture's results. The display loop takes a result as its next code, so each failure is a code
// without an action there: failures pass silently.
enum CaptureResult : int {
  CAPTURE_DONE = 0,            // written
  CAPTURE_NOT_BMP = 4,         // the name's extension does not begin with .BMP (any case; of the first
                               // ";" field when the name holds two)
  CAPTURE_UNCREATED = -1,      // the file cannot be created
  CAPTURE_NO_SIGNATURE_B = 1,  // the first signature byte cannot be written
  CAPTURE_NO_SIGNATURE_M = 2,  // the second cannot
  CAPTURE_NO_HEADERS = 11,     // the rest of the headers cannot be written
  CAPTURE_NO_ROW = -2,         // a pixel row cannot be written (or the file's last bytes at its close)
};

// Writes the console's page into the file named by the Shift-JIS path. A CaptureResult.
int capture_bmp(const char* path);
// The same by UTF-16 path (names the ANSI code page cannot spell); the extension test applies to the
// UTF-16 name.
int capture_bmp_w(const char16_t* path);

// capture_bmp and capture_bmp_w with the page source given (capture_win32.cpp passes the console's).
int capture_bmp_from(const CapturePageSource* source, const char* path);
int capture_bmp_w_from(const CapturePageSource* source, const char16_t* path);

// The headers and rows into an open sink, which is closed at the end. CAPTURE_DONE, or the failure of a
// signature byte, the headers or a row.
int capture_write(const CapturePageSource* source, const CaptureSink* sink);

// CAPTURE_DONE when the name passes the extension test, CAPTURE_NOT_BMP when not.
int capture_name_test(const char* path);
int capture_name_test_w(const char16_t* path);
