// pagedump.h: the report page as the tests compare it: one "#rrggbb|text" string per closed line, the
// text converted from code page 932 to UTF-8 by iconv.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "check/report_page.h"
#include "support/testfiles.h"

inline std::vector<std::string> page_lines() {
  std::vector<std::string> out;
  const ReportPage* p = report_view();
  for (int i = 0; i < p->line_count; i++) {
    char colour[16];
    uint32_t c = p->colour[i];
    std::snprintf(colour, sizeof colour, "#%02x%02x%02x", (unsigned)(c & 0xFF), (unsigned)(c >> 8 & 0xFF),
                  (unsigned)(c >> 16 & 0xFF));
    out.push_back(std::string(colour) + "|" + from_sjis(p->text[i]));
  }
  return out;
}

inline std::string page_text() {
  std::string all;
  for (const std::string& line : page_lines()) all += line + "\n";
  return all;
}
