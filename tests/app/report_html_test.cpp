// velmora-report's library page (report_html.h): the exact bytes that hostile names, reasons and links
// become, the per-model attributes of a run with one column per model, and the refusals. What the page
// does in a browser is tests/browser's.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/report_html.h"
#include "check/advice.h"
#include "check/rigs.h"
#include "support/testfiles.h"

namespace {

HtmlCell cell(ToolVerdict verdict, int model) {
  HtmlCell c;
  c.verdict = verdict;
  c.model = model;
  c.would_fit = false;
  return c;
}

HtmlMotion motion(const std::string& file, long long last_frame) {
  HtmlMotion m;
  m.file = file;
  m.bone_keys = 12;
  m.morph_keys = 3;
  m.bones = 2;
  m.morphs = 1;
  m.last_frame = last_frame;
  return m;
}

HtmlRun run_of(std::vector<HtmlModel> models) {
  HtmlRun r;
  r.lang = LANG_EN;
  r.date = "2025-12-08";
  r.version = "1.0.0";
  r.models = models;
  r.each_model = false;
  return r;
}

// The page, and report_html_write's result.
std::string page_of(const HtmlRun& run, int* result) {
  FILE* f = std::tmpfile();
  *result = report_html_write(f, run);
  return read_stream(f);
}

size_t count_of(const std::string& s, const std::string& what) {
  size_t n = 0;
  for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) n++;
  return n;
}

TEST(ReportHtml, HostileNamesReasonsAndLinksAreData) {
  HtmlRun run = run_of({{"Model \"A\" & <B>", "m.pmx", 3, 1, VERDICT_MODEL, ""}});
  HtmlMotion m = motion("<img src=x onerror=alert(1)>\"&\xFF\x01.vmd", 45);
  HtmlCell c = cell(VERDICT_LACKS, 0);
  c.would_fit = true;
  c.fitted = "javascript:alert(1)//x #?%.vmd";
  c.picture = "//host/p.png";
  c.reason = "</SCRIPT>";
  c.advice.push_back({0, "</script>", CLASS_STANDARD, WHY_RIG_NAME, "\"&", {}, {"<b>\\"}});
  m.cells.push_back(c);
  run.motions.push_back(m);
  run.json = "{\"file\":\"</script> & \\\\u003c >\"}\n";
  int result = -1;
  std::string page = page_of(run, &result);
  ASSERT_EQ(result, 0);
  // The row: the name in a quoted attribute and as text, a malformed byte and a control as U+FFFD.
  EXPECT_NE(page.find("<tr\ndata-verdict=lacks><td data-key=verdict data-value=lacks data-fit><td data-key=bone_keys "
                      "data-value=12><td data-key=morph_keys data-value=3><td data-key=bones data-value=2><td "
                      "data-key=morphs data-value=1><td data-key=last_frame data-value=45>1.5<td data-key=file "
                      "data-value=\"<img src=x onerror=alert(1)>&quot;&amp;\xEF\xBF\xBD\xEF\xBF\xBD.vmd\">&lt;img "
                      "src=x onerror=alert(1)>\"&amp;\xEF\xBF\xBD\xEF\xBF\xBD.vmd</tbody>"),
            std::string::npos);
  // The details: JSON strings that cannot end their element, links that name no scheme and no host.
  EXPECT_NE(page.find("\"details\":[\n[0,[{\"r\":\"\\u003c/SCRIPT\\u003e\",\"f\":\"javascript%3Aalert%281%29//"
                      "x%20%23%3F%25.vmd\",\"p\":\"%2F%2Fhost/p.png\",\"a\":[[0,\"\\u003c/script\\u003e\",\"standard\","
                      "\"rig name\",\"\\\"\\u0026\",[],[\"\\u003cb\\u003e\\\\\"]]]}]]]}</script>"),
            std::string::npos);
  // The model's name as text; the run's lines with only '<', '>' and '&' escaped.
  EXPECT_NE(page.find("<td>Model \"A\" &amp; &lt;B><td class=path>m.pmx"), std::string::npos);
  EXPECT_NE(page.find("<script type=application/json id=run-json>{\"file\":\"\\u003c/script\\u003e \\u0026 "
                      "\\\\u003c \\u003e\"}\n</script>"),
            std::string::npos);
  // Three script elements end, and nothing else does.
  EXPECT_EQ(count_of(page, "</script"), 3u);
  EXPECT_EQ(count_of(page, "</SCRIPT"), 0u);
}

TEST(ReportHtml, EachModelColumnsAndBoxes) {
  HtmlRun run = run_of({{"A", "a.pmx", 1, 1, VERDICT_MODEL, ""}, {"", "b.pmx", 0, 0, VERDICT_UNREAD, "not a PMX model"}});
  run.each_model = true;
  HtmlMotion m = motion("d.vmd", -1);
  m.cells = {cell(VERDICT_FITS, 0), cell(VERDICT_NO_MODEL, 1)};
  run.motions.push_back(m);
  int result = -1;
  std::string page = page_of(run, &result);
  ASSERT_EQ(result, 0);
  EXPECT_NE(page.find("<tr\ndata-verdict-1=fits data-verdict-2=\"no model\"><td data-key=verdict data-value=fits>"
                      "<td data-key=verdict data-value=\"no model\"><td data-key=bone_keys"),
            std::string::npos);
  EXPECT_NE(page.find("<td data-key=last_frame data-value><td data-key=file data-value=\"d.vmd\">d.vmd</tbody>"),
            std::string::npos);
  EXPECT_NE(page.find("<th data-key=verdict data-model=2><button type=button>verdict<small>2. b.pmx</small>"),
            std::string::npos);
  EXPECT_NE(page.find("<button type=button data-filter=\"no model\" data-model=2>1 no model</button>"),
            std::string::npos);
  EXPECT_NE(page.find("<button type=button data-filter=fits data-model=2 class=zero>0 fits</button>"),
            std::string::npos);
  EXPECT_NE(page.find("<tr class=unread><td>2<td> <span class=error>unread: not a PMX model</span>"),
            std::string::npos);
}

TEST(ReportHtml, RefusesARecordItCannotShowAndReportsAFailedStream) {
  HtmlRun run = run_of({{"A", "a.pmx", 1, 1, VERDICT_MODEL, ""}});
  HtmlMotion m = motion("d.vmd", 0);
  m.cells = {cell(VERDICT_FITS, 1)};  // a model the run does not have
  run.motions.push_back(m);
  int result = -1;
  EXPECT_EQ(page_of(run, &result), "");
  EXPECT_EQ(result, 2);
  run.motions[0].cells = {cell(VERDICT_FITS, 0), cell(VERDICT_FITS, 0)};  // two cells without --each-model
  EXPECT_EQ(page_of(run, &result), "");
  EXPECT_EQ(result, 2);
  run.each_model = true;
  run.motions[0].cells = {cell(VERDICT_FITS, 0)};
  FILE* full = std::fopen("/dev/full", "w");
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(report_html_write(full, run), 1);
  std::fclose(full);
}

}  // namespace
