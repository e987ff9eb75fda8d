// report_html.h: velmora-report's library page: one self-contained HTML file of a whole run, written
// from a record the run fills (HtmlRun below), to any FILE* (the caller opens and names the file, whole
// or nothing). The page needs no network: its style and script are inline (allowed by their hashes in
// the page's Content-Security-Policy), it loads nothing but the run's own relative pictures, and it
// opens from disk. With scripts off it shows the run, the verdict counts and every row unsorted; with
// scripts on the columns sort, the verdict boxes and a text box filter, the state lives in the URL
// fragment, a row opens to its details, and a link saves the run's JSON Lines.
//
// ---- Filling the record ----------------------------------------------------------------------------
//   HtmlRun run;
//   run.lang = LANG_JA;  run.date = "2025-12-08 14:03";  run.version = "1.0.0";
//   run.models = {{"ジェネ / Gene", "Gene.pmx", 224, 184, HTML_MODEL, ""}};   // every model of the run
//   run.each_model = true with --each-model (every motion against every model), else false;
//   per checked motion, in run order:
//     HtmlMotion m;  m.file = shown path (UTF-8);  m.bone_keys, m.morph_keys, m.bones, m.morphs,
//     m.last_frame (-1 without keys): the motion's own numbers, the same against every model;
//     m.cells: with each_model one HtmlCell per entry of run.models, in their order (cell i's model is
//       i); otherwise exactly one, against the motion's target model (model: its place in run.models,
//       -1 for none). A cell holds:
//       verdict (ToolVerdict), would_fit (a lacks whose fitted copy would fit), advice (one per lacking
//       name, page order, bones first; cls an AdviceClass, why an AdviceWhy, to/candidates the model's
//       names, notes further lines such as a fold or its cost), counts (lacks: the bones and morphs
//       that lack; extras: the extra bones and morphs), reason (why cut or unread, else ""),
//       fitted (the fitted copy, relative to the page's folder, '/' between parts, else ""), picture
//       (the --png picture, relative likewise, else "").
//   run.json = the run's JSON Lines exactly as --json prints them (every line ending in '\n').
//   report_html_write(out, run).
// Strings are UTF-8 as the summary and the JSON give them; a byte that does not begin a valid UTF-8
// sequence is shown as U+FFFD, a control character other than a tab as U+FFFD.
//
// ---- The page's contract (stable; tests and users' scripts rely on it) -----------------------------
//   - The table is <table id="motions">; its one <tbody> holds one <tr> per motion, in run order, and no
//     other row. The row has data-verdict="WORD"; with --each-model and N > 1 models instead
//     data-verdict-1 ... data-verdict-N, one per model in run order ("N > 1 models" below means this
//     case). WORD is fits, extras, lacks, camera, empty, cut, unread or "no model".
//   - Each column header is <th data-key="KEY">, KEY the JSON field it shows: verdict, bone_keys,
//     morph_keys, bones, morphs, last_frame, file. With N > 1 models there is one verdict column per
//     model, first, each header also with data-model="N" (from 1); the numbers and the file, which do not
//     depend on the model, come once after them.
//   - Each cell is <td data-key="KEY" data-value="RAW">: RAW the verdict word, the number in decimal
//     (last_frame empty for a motion without keys), or the file as shown. A verdict cell of a motion
//     that lacks names and whose fitted copy would fit also has data-fit. The cell's text is its value
//     as shown, so that a copied table keeps it: the verdict's label in the page's language (with N > 1
//     models followed by the bones and morphs that lack, or the extras, "lacks 3/2", as the terminal's
//     table gives them), " ✓" after a verdict with data-fit; the number; the last frame with the length
//     in seconds, "300 (10.0 s)", or "–" without keys; the file.
//   - A row's details are rendered by the page's script into an element inside the row's file cell
//     (<div class="more">), never as another row.
//   - Each verdict box is a <button data-filter="WORD"> whose text begins with its count (decimal, no
//     separators); WORD as above, or "would fit" (lacks with data-fit). With N > 1 models there is one
//     row of boxes per model, each button also with data-model="N".
//   - The text filter is <input type="search" id="filter">.
//   - The run's JSON Lines are <script type="application/json" id="run-json">, one object per line as
//     --json prints them, except that every '<', '>' and '&' is written as \u003c, \u003e and \u0026.
//     Those characters occur only inside JSON strings, so each line parses to the same values; the
//     page's save link writes the lines back byte for byte as --json printed them.
//   - The URL fragment holds the state: sort=KEY (verdict-N for model N's verdict column), order=desc,
//     verdict=WORD, model=N, q=TEXT.
//
// Records: none; the page is written from the caller's record in one pass.
// Limits: HTML_MODELS models at most; a motion whose cells do not match the models is refused (2).
// Trust: every name, path, reason and link is data, never markup: text and attribute values are escaped,
// links are percent-encoded so that they stay relative (no scheme, no host), and the embedded JSON
// cannot end its script element.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "app/report_verdict.h"

constexpr int HTML_MODELS = 64;  // model columns; a run with more is refused (the page would be unusable)

// One lacking name and what to do about it (check/advice.h's Advice, as UTF-8).
struct HtmlAdvice {
  ListingKind list;
  std::string name;                     // as the motion spells it
  AdviceClass cls;
  AdviceWhy why;
  std::string to;                       // the model's name it stands for, or ""
  std::vector<std::string> candidates;  // the model's names when ambiguous
  std::vector<std::string> notes;       // further lines shown under it (a fold, its cost), or none
};

// A motion checked against one model.
struct HtmlCell {
  int model;                       // the model's place in HtmlRun::models (from 0), or -1 for none
  ToolVerdict verdict;             // a motion's verdict (below VERDICT_MODEL)
  bool would_fit;                  // lacks, and its fitted copy would lack nothing
  std::vector<HtmlAdvice> advice;  // the lacking names, in page order
  std::string reason;              // why cut or unread, or ""
  std::string fitted;              // the fitted copy, relative to the page's folder, or ""
  std::string picture;             // the page's picture, relative to the page's folder, or ""
  int counts[LISTING_KINDS] = {0, 0};  // lacks: the bones and morphs that lack; extras: the extra ones
};

struct HtmlMotion {
  std::string file;             // the path as shown
  long long bone_keys, morph_keys;
  int bones, morphs;            // the bones and morphs its page lists
  long long last_frame;         // the largest frame of any key, -1 without keys
  std::vector<HtmlCell> cells;  // each_model: one per model of the run; else one
};

struct HtmlModel {
  std::string name;   // the model's display name, or "" when unread
  std::string path;   // as shown
  int bones, morphs;
  ToolVerdict verdict;  // VERDICT_MODEL, VERDICT_CUT or VERDICT_UNREAD
  std::string error;  // why cut or unread, or ""
};

struct HtmlRun {
  ToolLang lang;                   // the labels' language
  std::string date;                // the run's date and time, shown as given
  std::string version;             // velmora-report's version
  std::vector<HtmlModel> models;   // the run's models in run order; empty: checked without a model
  bool each_model;                 // every motion checked against every model (one cell per model)
  std::vector<HtmlMotion> motions; // in run order
  std::string json;                // the run's JSON Lines as --json prints them
};

// Writes the page of run to out. 0 written; 1 the stream reported an error; 2 the record is refused
// (a language the page has no words in, more than HTML_MODELS models, a motion whose cells are not as
// above, a cell's model out of range, or a cell's verdict that is not a motion's), nothing written.
int report_html_write(FILE* out, const HtmlRun& run);

// ---- The record from the run's outcomes ----------------------------------------------------------------

// A model's entry, from its outcome.
HtmlModel report_html_model(const FileOutcome& m);
// A motion's entry without its cells, from its outcome against any model.
HtmlMotion report_html_motion(const FileOutcome& o);
// The folder of the page at page (absolute or relative to the current folder), absolute, with its
// separator, into *dir. 0, or -1.
int report_html_page_dir(const char16_t* page, std::u16string* dir);
// A motion's cell against the model at place model of the record (-1: none), its notes in lang, its
// fitted copy and picture as links relative to page_dir (report_html_page_dir).
HtmlCell report_html_cell(const FileOutcome& o, int model, const std::u16string& page_dir, ToolLang lang);
