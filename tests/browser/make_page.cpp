// make_page.cpp: writes velmora-report's library page (app/report_html.h) from the JSON Lines of real
// runs, for the browser tests, the benchmark and the picture in docs/, before the tool writes it itself.
//
//   make_page [--lang en|ja] [--date TEXT] [--version TEXT] [--png DIR] [--each-model] [--time]
//             OUT.html RUN.jsonl...
//
// RUN.jsonl is what `velmora-report --summary --json ...` printed. One file: its models and motions,
// each motion against the last model before it (the tool's carry-over rule). Several files with
// --each-model: one run per model over the same motions in the same order (the first model line of
// each file is its model); the page gets one verdict column per model. The JSON Lines embedded in the
// page are the files' bytes, one after the other.
//   --png DIR     each entry's page picture is DIR/NNNN-NAME.png as --png DIR names it (NNNN the line's
//                 place among the file's entries from 0001, NAME the file's last part)
//   --time        print the milliseconds report_html_write took, and the page's bytes, on standard output
// A motion's advice may carry "notes": [TEXT...], shown under it (the tool does not print them yet).
// "would fit" is taken as: lacks, and every advice a spelling, English-name or rig-name match with a
// model name. Exit code: 0 written, 1 an input could not be read or parsed, or the page not written,
// 2 a usage error.
//
// Records: the parsed lines, for the duration of a run. Trust: the inputs are our own tool's output or
// test fixtures; a malformed line is an error, never a crash.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "app/report_html.h"
#include "check/advice.h"
#include "check/rigs.h"

// ---- A small JSON reader ------------------------------------------------------------------------------

enum JsonType { JSON_NULL, JSON_BOOL, JSON_NUMBER, JSON_STRING, JSON_ARRAY, JSON_OBJECT };

struct Json {
  JsonType type = JSON_NULL;
  double number = 0;
  std::string text;                // a string's UTF-8
  std::vector<Json> items;         // an array's items, an object's values
  std::vector<std::string> names;  // an object's names
  const Json* get(const char* name) const {
    for (size_t i = 0; i < names.size(); i++) {
      if (names[i] == name) return &items[i];
    }
    return nullptr;
  }
};

struct JsonReader {
  const char* p;
  const char* end;
  bool bad;
};

static void json_space(JsonReader& r) {
  while (r.p < r.end && (*r.p == ' ' || *r.p == '\t' || *r.p == '\n' || *r.p == '\r')) r.p++;
}

static void json_utf8(std::string& s, unsigned cp) {
  if (cp < 0x80) {
    s += (char)cp;
  } else if (cp < 0x800) {
    s += (char)(0xC0 | cp >> 6);
    s += (char)(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    s += (char)(0xE0 | cp >> 12);
    s += (char)(0x80 | (cp >> 6 & 0x3F));
    s += (char)(0x80 | (cp & 0x3F));
  } else {
    s += (char)(0xF0 | cp >> 18);
    s += (char)(0x80 | (cp >> 12 & 0x3F));
    s += (char)(0x80 | (cp >> 6 & 0x3F));
    s += (char)(0x80 | (cp & 0x3F));
  }
}

static unsigned json_hex4(JsonReader& r) {
  unsigned v = 0;
  for (int i = 0; i < 4; i++) {
    char c = r.p < r.end ? *r.p++ : 0;
    int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (d < 0) {
      r.bad = true;
      return 0;
    }
    v = v << 4 | (unsigned)d;
  }
  return v;
}

static std::string json_string(JsonReader& r) {
  std::string s;
  r.p++;  // the opening quote
  while (r.p < r.end && *r.p != '"') {
    char c = *r.p++;
    if (c != '\\') {
      s += c;
      continue;
    }
    char e = r.p < r.end ? *r.p++ : 0;
    switch (e) {
      case '"': s += '"'; break;
      case '\\': s += '\\'; break;
      case '/': s += '/'; break;
      case 'b': s += '\b'; break;
      case 'f': s += '\f'; break;
      case 'n': s += '\n'; break;
      case 'r': s += '\r'; break;
      case 't': s += '\t'; break;
      case 'u': {
        unsigned cp = json_hex4(r);
        if (cp >= 0xD800 && cp < 0xDC00 && r.end - r.p >= 6 && r.p[0] == '\\' && r.p[1] == 'u') {
          r.p += 2;
          unsigned low = json_hex4(r);
          cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        }
        json_utf8(s, cp);
        break;
      }
      default: r.bad = true; return s;
    }
  }
  if (r.p >= r.end) r.bad = true;
  else r.p++;
  return s;
}

static Json json_value(JsonReader& r, int depth) {
  Json v;
  json_space(r);
  if (r.p >= r.end || depth > 32) {
    r.bad = true;
    return v;
  }
  char c = *r.p;
  if (c == '"') {
    v.type = JSON_STRING;
    v.text = json_string(r);
  } else if (c == '{' || c == '[') {
    v.type = c == '{' ? JSON_OBJECT : JSON_ARRAY;
    char close = c == '{' ? '}' : ']';
    r.p++;
    json_space(r);
    if (r.p < r.end && *r.p == close) {
      r.p++;
      return v;
    }
    while (!r.bad) {
      if (v.type == JSON_OBJECT) {
        json_space(r);
        if (r.p >= r.end || *r.p != '"') {
          r.bad = true;
          break;
        }
        v.names.push_back(json_string(r));
        json_space(r);
        if (r.p >= r.end || *r.p++ != ':') {
          r.bad = true;
          break;
        }
      }
      v.items.push_back(json_value(r, depth + 1));
      json_space(r);
      if (r.p < r.end && *r.p == ',') {
        r.p++;
      } else if (r.p < r.end && *r.p == close) {
        r.p++;
        break;
      } else {
        r.bad = true;
      }
    }
  } else if (std::strncmp(r.p, "null", 4) == 0) {
    r.p += 4;
  } else if (std::strncmp(r.p, "true", 4) == 0 || std::strncmp(r.p, "false", 5) == 0) {
    v.type = JSON_BOOL;
    v.number = c == 't';
    r.p += c == 't' ? 4 : 5;
  } else {
    char* after = nullptr;
    v.type = JSON_NUMBER;
    v.number = std::strtod(r.p, &after);
    if (after == r.p) r.bad = true;
    r.p = after;
  }
  return v;
}

// ---- The record ----------------------------------------------------------------------------------------------

static std::string text_of(const Json* v) { return v != nullptr && v->type == JSON_STRING ? v->text : ""; }
static long long number_of(const Json* v, long long none) {
  return v != nullptr && v->type == JSON_NUMBER ? (long long)v->number : none;
}

static ToolVerdict verdict_of(const std::string& word) {
  for (int v = 0; v <= VERDICT_MODEL; v++) {
    if (word == report_verdict_word((ToolVerdict)v)) return (ToolVerdict)v;
  }
  return VERDICT_UNREAD;
}

static AdviceClass class_of(const std::string& word) {
  for (int c = 0; c < CLASS_COUNT; c++) {
    if (word == advice_class_word((AdviceClass)c)) return (AdviceClass)c;
  }
  return CLASS_OTHER;
}

static AdviceWhy why_of(const std::string& word) {
  for (int w = 0; w < WHY_COUNT; w++) {
    if (word == advice_why_word((AdviceWhy)w)) return (AdviceWhy)w;
  }
  return WHY_NONE;
}

static std::vector<std::string> strings_of(const Json* v) {
  std::vector<std::string> out;
  if (v != nullptr) {
    for (const Json& s : v->items) out.push_back(s.text);
  }
  return out;
}

static HtmlCell cell_of(const Json& line, int model) {
  HtmlCell c;
  c.model = model;
  c.verdict = verdict_of(text_of(line.get("verdict")));
  if (c.verdict == VERDICT_MODEL) c.verdict = VERDICT_UNREAD;
  c.reason = text_of(line.get("error"));
  c.fitted = text_of(line.get("fitted"));
  const Json* advice = line.get("advice");
  bool renameable = true;
  if (advice != nullptr) {
    for (const Json& a : advice->items) {
      HtmlAdvice h;
      h.list = text_of(a.get("list")) == "morphs" ? LISTING_MORPHS : LISTING_BONES;
      h.name = text_of(a.get("name"));
      h.cls = class_of(text_of(a.get("class")));
      h.why = why_of(text_of(a.get("why")));
      h.to = text_of(a.get("to"));
      h.candidates = strings_of(a.get("candidates"));
      h.notes = strings_of(a.get("notes"));
      renameable = renameable && !h.to.empty() && (h.why == WHY_SPELLING || h.why == WHY_ENGLISH_NAME || h.why == WHY_RIG_NAME);
      c.advice.push_back(h);
    }
  }
  c.would_fit = c.verdict == VERDICT_LACKS && !c.advice.empty() && renameable;
  // The counts a cell of several models shows: of the names that lack, or of the extras.
  const Json* names = line.get(c.verdict == VERDICT_EXTRAS ? "extras" : "lacks");
  for (int list = 0; list < LISTING_KINDS && names != nullptr; list++) {
    const Json* of_list = names->get(list == LISTING_BONES ? "bones" : "morphs");
    c.counts[list] = of_list != nullptr ? (int)of_list->items.size() : 0;
  }
  return c;
}

static std::string read_whole(const char* path, bool* ok) {
  std::string s;
  FILE* f = std::fopen(path, "rb");
  *ok = f != nullptr;
  if (f == nullptr) return s;
  char buf[1 << 16];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, got);
  std::fclose(f);
  return s;
}

static std::string last_part(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// One run's lines into run: its models, and its motions (each_model: the cells of model place `model`
// appended to the motions read from the first file).
static bool add_run(HtmlRun& run, const std::string& text, const char* png, int model_place, bool first) {
  JsonReader r = {text.data(), text.data() + text.size(), false};
  int target = -1, position = 0;
  size_t motion = 0;
  while (true) {
    json_space(r);
    if (r.p >= r.end) break;
    Json line = json_value(r, 0);
    if (r.bad || line.type != JSON_OBJECT) return false;
    if (line.get("totals") != nullptr) continue;
    position++;
    std::string file = text_of(line.get("file"));
    char number[16];
    std::snprintf(number, sizeof number, "%04d", position);
    std::string picture = png != nullptr ? std::string(png) + "/" + number + "-" + last_part(file) + ".png" : "";
    if (text_of(line.get("kind")) == "model") {
      if (model_place >= 0 && target >= 0) continue;  // each file's first model is its model
      HtmlModel m = {text_of(line.get("name")), file, (int)number_of(line.get("bones"), 0),
                     (int)number_of(line.get("morphs"), 0), verdict_of(text_of(line.get("verdict"))),
                     text_of(line.get("error"))};
      if (model_place < 0 || first || (int)run.models.size() == model_place) run.models.push_back(m);
      target = model_place >= 0 ? model_place : (int)run.models.size() - 1;
      continue;
    }
    HtmlCell cell = cell_of(line, target);
    cell.picture = picture;
    if (model_place <= 0) {
      HtmlMotion m;
      m.file = file;
      m.bone_keys = number_of(line.get("bone_keys"), 0);
      m.morph_keys = number_of(line.get("morph_keys"), 0);
      m.bones = (int)number_of(line.get("bones"), 0);
      m.morphs = (int)number_of(line.get("morphs"), 0);
      m.last_frame = number_of(line.get("last_frame"), -1);
      m.cells.push_back(cell);
      run.motions.push_back(m);
    } else {
      if (motion >= run.motions.size() || run.motions[motion].file != file) return false;
      run.motions[motion].cells.push_back(cell);
    }
    motion++;
  }
  return true;
}

int main(int argc, char** argv) {
  HtmlRun run;
  run.lang = LANG_EN;
  run.version = "1.0.0";
  run.each_model = false;
  char date[64];
  std::time_t now = std::time(nullptr);
  std::strftime(date, sizeof date, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
  run.date = date;
  const char* png = nullptr;
  bool timed = false;
  int k = 1;
  for (; k < argc && argv[k][0] == '-'; k++) {
    std::string o = argv[k];
    if (o == "--each-model") run.each_model = true;
    else if (o == "--time") timed = true;
    else if (k + 1 < argc && o == "--lang") run.lang = std::strcmp(argv[++k], "ja") == 0 ? LANG_JA : LANG_EN;
    else if (k + 1 < argc && o == "--date") run.date = argv[++k];
    else if (k + 1 < argc && o == "--version") run.version = argv[++k];
    else if (k + 1 < argc && o == "--png") png = argv[++k];
    else {
      std::fprintf(stderr, "make_page: unknown option %s\n", argv[k]);
      return 2;
    }
  }
  if (argc - k < 2) {
    std::fputs("usage: make_page [--lang en|ja] [--date TEXT] [--version TEXT] [--png DIR] [--each-model] [--time] "
               "OUT.html RUN.jsonl...\n", stderr);
    return 2;
  }
  const char* out_path = argv[k++];
  for (int i = k; i < argc; i++) {
    bool ok = false;
    std::string text = read_whole(argv[i], &ok);
    if (!ok || !add_run(run, text, png, run.each_model ? i - k : -1, i == k)) {
      std::fprintf(stderr, "make_page: %s: cannot be read as the tool's JSON Lines\n", argv[i]);
      return 1;
    }
    run.json += text;
  }
  FILE* out = std::fopen(out_path, "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "make_page: %s: cannot be created\n", out_path);
    return 1;
  }
  auto start = std::chrono::steady_clock::now();
  int result = report_html_write(out, run);
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  long bytes = std::ftell(out);
  if (std::fclose(out) != 0 && result == 0) result = 1;
  if (result != 0) {
    std::fprintf(stderr, "make_page: %s: not written (%d)\n", out_path, result);
    return 1;
  }
  if (timed) std::printf("%.3f ms, %ld bytes, %zu motions\n", ms, bytes, run.motions.size());
  return 0;
}
