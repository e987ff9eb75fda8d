// base64.cpp: bytes as base64 (see base64.h).
//
// Records: none.
#include "text/base64.h"

#include <cstdint>

void base64_append(std::string& out, const void* data, size_t n) {
  static const char DIGITS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const unsigned char* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < n; i += 3) {
    uint32_t v = (uint32_t)p[i] << 16 | (i + 1 < n ? (uint32_t)p[i + 1] << 8 : 0) | (i + 2 < n ? p[i + 2] : 0);
    out += DIGITS[v >> 18 & 63];
    out += DIGITS[v >> 12 & 63];
    out += i + 1 < n ? DIGITS[v >> 6 & 63] : '=';
    out += i + 2 < n ? DIGITS[v & 63] : '=';
  }
}
