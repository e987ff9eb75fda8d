// report_text.cpp: velmora-report's text conversions for what it prints (see report_text.h).
#include "app/report_text.h"

#include <cstdio>

#include "check/report_page.h"
#include "sys/sys.h"
#include "text/encoding.h"

void report_text_json_put(std::string& out, const char* s, bool script) {
  out += '"';
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
  char esc[8];
  while (*p != 0) {
    unsigned c = *p;
    if (c == '"' || c == '\\') {
      out += '\\';
      out += (char)c;
      p++;
    } else if (c < 0x20 || (script && (c == '<' || c == '>' || c == '&'))) {
      if (c == '\n') out += "\\n";
      else if (c == '\r') out += "\\r";
      else if (c == '\t') out += "\\t";
      else {
        std::snprintf(esc, sizeof esc, "\\u%04x", c);
        out += esc;
      }
      p++;
    } else if (c < 0x80) {
      out += (char)c;
      p++;
    } else {
      uint32_t cp;
      int len = utf8_next(p, &cp);
      if (len > 0) {
        out.append(reinterpret_cast<const char*>(p), (size_t)len);
        p += len;
      } else {
        out += "\xEF\xBF\xBD";
        p++;
      }
    }
  }
  out += '"';
}

std::string report_text_json(const char* s) {
  std::string out;
  report_text_json_put(out, s, false);
  return out;
}

std::string report_text_json_or_null(const std::string& s) {
  return s.empty() ? std::string("null") : report_text_json(s.c_str());
}

void report_text_utf8(char* dst, int size, const char* sjis) {
  dst[0] = 0;
  sjis_to_utf8_compat(dst, size, sjis);
}

std::string report_text_utf8_of(const std::string& sjis) {
  // A Shift-JIS byte gives at most 3 UTF-8 bytes (a two-byte code at most 4).
  std::string out(sjis.size() * 3 + 1, '\0');
  report_text_utf8(out.data(), (int)out.size(), sjis.c_str());
  out.resize(std::char_traits<char>::length(out.c_str()));
  return out;
}

void report_text_path_utf8(char* dst, int size, const char16_t* path) {
  static char16_t shown[REPORT_TEXT_PATH];
  sys_shown_name_w(shown, REPORT_TEXT_PATH, path);
  if (size > 0) dst[0] = 0;
  utf16_to_utf8(dst, size, reinterpret_cast<const unsigned char*>(shown));
}

void report_text_put_coloured(FILE* out, uint32_t colour, const char* text) {
  ReportRgb c = report_rgb_parts(colour);
  std::fprintf(out, "\x1B[38;2;%u;%u;%um%s\x1B[0m", c.r, c.g, c.b, text);
}

std::string report_text_path(const char16_t* path) {
  static char text[REPORT_TEXT_PATH * 3];
  report_text_path_utf8(text, (int)sizeof text, path);
  return text;
}

int report_text_ascii_w(char16_t* dst, int units, const char* fmt, int value) {
  char text[64];
  std::snprintf(text, sizeof text, fmt, value);
  int i = 0;
  for (; i < units - 1 && text[i] != 0; i++) dst[i] = (unsigned char)text[i];
  if (units > 0) dst[i] = 0;
  return i;
}
