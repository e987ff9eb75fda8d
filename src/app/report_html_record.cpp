// report_html_record.cpp: the library page's record from the run's outcomes (see report_html.h): a
// model's and a motion's entries, a motion's cell against a model with its notes in the page's language,
// and the links of its fitted copy and picture relative to the page's folder.
//
// Records: none (a few path buffers of REPORT_TEXT_PATH units, kept between calls).
// Limits: a path longer than REPORT_TEXT_PATH units, or one that does not convert, gets no link.
#include "app/report_html.h"

#include "app/report_text.h"
#include "paths/paths.h"
#include "text/encoding.h"

HtmlModel report_html_model(const FileOutcome& m) {
  HtmlModel h;
  h.name = m.model.name;
  h.path = m.path.shown;
  h.bones = m.model.bones;
  h.morphs = m.model.morphs;
  h.verdict = m.verdict;
  h.error = m.error;
  return h;
}

HtmlMotion report_html_motion(const FileOutcome& o) {
  HtmlMotion h;
  h.file = o.path.shown;
  h.bone_keys = o.bone_keys;
  h.morph_keys = o.morph_keys;
  h.bones = o.tally.bones;
  h.morphs = o.tally.morphs;
  h.last_frame = o.last_frame;
  return h;
}

int report_html_page_dir(const char16_t* page, std::u16string* dir) {
  static char16_t absolute[REPORT_TEXT_PATH];
  static char16_t folder[REPORT_TEXT_PATH];
  dir->clear();
  if (path_absolute_w(absolute, REPORT_TEXT_PATH, page) != 0 || path_folder_w(folder, REPORT_TEXT_PATH, absolute) != 0) {
    return -1;
  }
  *dir = folder;
  return 0;
}

// path (as the user reads it, UTF-8) relative to the folder page_dir (absolute, UTF-16), "/" between
// its parts; "" when it has no such path.
static std::string report_html_relative(const std::string& path, const std::u16string& page_dir) {
  if (path.empty() || page_dir.empty()) return "";
  static char16_t wide[REPORT_TEXT_PATH];
  static char16_t absolute[REPORT_TEXT_PATH];
  static char16_t relative[REPORT_TEXT_PATH];
  if (utf8_to_utf16(wide, REPORT_TEXT_PATH, path.c_str()) != UTF8_CLEAN) return "";
  if (path_absolute_w(absolute, REPORT_TEXT_PATH, wide) != 0) return "";
  if (path_relative_w(relative, REPORT_TEXT_PATH, page_dir.c_str(), absolute) != 0) return "";
  return report_text_path(relative);
}

HtmlCell report_html_cell(const FileOutcome& o, int model, const std::u16string& page_dir, ToolLang lang) {
  HtmlCell c;
  c.model = model;
  c.verdict = o.verdict;
  c.would_fit = o.would_fit;
  for (const LackingName& l : o.lacking) {
    HtmlAdvice a;
    a.list = l.list;
    a.name = l.name;
    a.cls = l.cls;
    a.why = l.why;
    a.to = l.to;
    a.candidates = l.candidates;
    std::string fold = report_verdict_fold_note(l, lang), cost = report_verdict_cost_note(l, lang);
    if (!fold.empty()) a.notes.push_back(fold);
    if (!cost.empty()) a.notes.push_back(cost);
    c.advice.push_back(a);
  }
  int64_t counts[LISTING_KINDS];
  report_verdict_lacking_counts(o, o.verdict == VERDICT_EXTRAS, counts);
  for (int list = 0; list < LISTING_KINDS; list++) c.counts[list] = (int)counts[list];
  c.reason = o.verdict == VERDICT_NO_MODEL ? o.model.error : o.error;
  c.fitted = report_html_relative(o.fitted, page_dir);
  c.picture = report_html_relative(o.picture, page_dir);
  return c;
}
