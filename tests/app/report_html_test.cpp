// velmora-report's library page (report_html.h): the exact bytes that hostile names, reasons and links
// become, the per-model attributes of a run with one column per model, and the refusals. What the page
// does in a browser is tests/browser's.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

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
  c.advice.push_back({LISTING_BONES, "</script>", CLASS_STANDARD, WHY_RIG_NAME, "\"&", {}, {"<b>\\"}});
  m.cells.push_back(c);
  run.motions.push_back(m);
  run.json = "{\"file\":\"</script> & \\\\u003c >\"}\n";
  int result = -1;
  std::string page = page_of(run, &result);
  ASSERT_EQ(result, 0);
  // The row: the name in a quoted attribute and as text, a malformed byte and a control as U+FFFD.
  EXPECT_NE(page.find("<tr\ndata-verdict=lacks><td data-key=verdict data-value=lacks data-fit>lacks \xE2\x9C\x93<td "
                      "data-key=bone_keys data-value=12>12<td data-key=morph_keys data-value=3>3<td data-key=bones "
                      "data-value=2>2<td data-key=morphs data-value=1>1<td data-key=last_frame data-value=45>45 "
                      "<span>(1.5 s)</span><td data-key=file "
                      "data-value=\"<img src=x onerror=alert(1)>&quot;&amp;\xEF\xBF\xBD\xEF\xBF\xBD.vmd\">&lt;img "
                      "src=x onerror=alert(1)>\"&amp;\xEF\xBF\xBD\xEF\xBF\xBD.vmd</tbody>"),
            std::string::npos);
  // The details: JSON strings that cannot end their element, links that name no scheme and no host.
  EXPECT_NE(page.find("\"details\":[\n[0,[{\"reason\":\"\\u003c/SCRIPT\\u003e\",\"fitted\":\"javascript%3Aalert%281%29//"
                      "x%20%23%3F%25.vmd\",\"picture\":\"%2F%2Fhost/p.png\",\"advice\":[{\"list\":\"bones\",\"name\":"
                      "\"\\u003c/script\\u003e\",\"class\":\"standard\",\"why\":\"rig name\",\"to\":\"\\\"\\u0026\","
                      "\"notes\":[\"\\u003cb\\u003e\\\\\"]}]}]]]}</script>"),
            std::string::npos)
      << page;
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
  // A cell of several models shows the counts the terminal's table shows.
  HtmlMotion lacking = motion("e.vmd", 300);
  lacking.cells = {cell(VERDICT_LACKS, 0), cell(VERDICT_EXTRAS, 1)};
  lacking.cells[0].counts[LISTING_BONES] = 3;
  lacking.cells[0].counts[LISTING_MORPHS] = 2;
  lacking.cells[0].would_fit = true;
  lacking.cells[1].counts[LISTING_MORPHS] = 1;
  run.motions.push_back(lacking);
  int result = -1;
  std::string page = page_of(run, &result);
  ASSERT_EQ(result, 0);
  EXPECT_NE(page.find("<tr\ndata-verdict-1=fits data-verdict-2=\"no model\"><td data-key=verdict data-value=fits>fits"
                      "<td data-key=verdict data-value=\"no model\">no model<td data-key=bone_keys"),
            std::string::npos);
  EXPECT_NE(page.find("<td data-key=last_frame data-value>\xE2\x80\x93<td data-key=file data-value=\"d.vmd\">d.vmd<tr"),
            std::string::npos);
  EXPECT_NE(page.find("<tr\ndata-verdict-1=lacks data-verdict-2=extras><td data-key=verdict data-value=lacks data-fit>"
                      "lacks 3/2 \xE2\x9C\x93<td data-key=verdict data-value=extras>extras 0/1<td data-key=bone_keys"),
            std::string::npos)
      << page;
  EXPECT_NE(page.find("<td data-key=last_frame data-value=300>300 <span>(10.0 s)</span>"), std::string::npos);
  run.lang = LANG_JA;
  page = page_of(run, &result);
  EXPECT_NE(page.find("data-value=lacks data-fit>不足 3/2 \xE2\x9C\x93<td data-key=verdict data-value=extras>余分あり 0/1<"),
            std::string::npos);
  EXPECT_NE(page.find("<td data-key=last_frame data-value=300>300 <span>(10.0秒)</span>"), std::string::npos);
  run.lang = LANG_EN;
  page = page_of(run, &result);
  EXPECT_NE(page.find("<th data-key=verdict data-model=2><button type=button>verdict<small>2. b.pmx</small>"),
            std::string::npos);
  EXPECT_NE(page.find("<button type=button data-filter=\"no model\" data-model=2>1 no model</button>"),
            std::string::npos);
  EXPECT_NE(page.find("<button type=button data-filter=fits data-model=2 class=zero>0 fits</button>"),
            std::string::npos);
  EXPECT_NE(page.find("<tr class=unread><td>2<td> <span class=error>unread: not a PMX model</span>"),
            std::string::npos);
}

// The script types no verdict, class or why: the page's data hands it the C++ tables' words with their
// labels in the page's language, the verdicts in the page's order (the boxes'), the classes in theirs.
TEST(ReportHtml, ThePageDataCarriesTheRulesAndWordsOfTheTables) {
  HtmlRun run = run_of({});
  run.lang = LANG_JA;
  int result = -1;
  std::string page = page_of(run, &result);
  ASSERT_EQ(result, 0);
  EXPECT_NE(page.find("id=page-data>{\"verdicts\":[{\"word\":\"fits\",\"label\":\"適合\"},{\"word\":\"extras\","
                      "\"label\":\"余分あり\"},{\"word\":\"lacks\",\"label\":\"不足\"},{\"word\":\"would fit\",\"label\":"
                      "\"修正で適合\",\"of\":\"lacks\"},{\"word\":\"camera\",\"label\":\"カメラ\"},{\"word\":\"empty\","
                      "\"label\":\"空\"},{\"word\":\"cut\",\"label\":\"途切れ\"},{\"word\":\"unread\",\"label\":\"読めず\"},"
                      "{\"word\":\"no model\",\"label\":\"モデルなし\"}],\"classes\":[{\"word\":\"standard\",\"label\":"
                      "\"標準\"},{\"word\":\"semi-standard\",\"label\":\"準標準\"},{\"word\":\"finger\",\"label\":\"指\"},"
                      "{\"word\":\"expression\",\"label\":\"表情\"},{\"word\":\"other\",\"label\":\"余分（その他）\"}],\"whys\":{"),
            std::string::npos)
      << page;
  // The boxes stand in the same order.
  size_t at = 0;
  for (const char* filter : {"fits", "extras", "lacks", "\"would fit\"", "camera", "empty", "cut", "unread",
                             "\"no model\""}) {
    at = page.find(std::string("data-filter=") + filter, at);
    EXPECT_NE(at, std::string::npos) << filter;
  }
  // Every why has its label, every column its way to sort.
  for (int w = 0; w < WHY_COUNT; w++) {
    EXPECT_NE(page.find(std::string("\"") + advice_why_word((AdviceWhy)w) + "\":\""), std::string::npos) << w;
  }
  EXPECT_NE(page.find("\"columns\":[{\"key\":\"verdict\",\"sort\":\"rank\"},{\"key\":\"bone_keys\",\"sort\":\"number\"},"),
            std::string::npos);
  EXPECT_NE(page.find("{\"key\":\"file\",\"sort\":\"text\"}],\"labels\":{\"candidates\":\"候補\","), std::string::npos);
}

// ... and the script holds none of those words as a string literal ('none' is also the style class of a
// line that says there is nothing more, which the script gives such a line).
TEST(ReportHtml, TheScriptTypesNoWordOfTheTables) {
  std::string script = read_file(std::string(VELMORA_SOURCE_DIR) + "/res/library-page.js");
  ASSERT_FALSE(script.empty());
  std::vector<std::string> words = {"would fit"};
  for (int v = 0; v < VERDICT_MODEL; v++) words.push_back(report_verdict_word((ToolVerdict)v));
  for (int c = 0; c < CLASS_COUNT; c++) words.push_back(advice_class_word((AdviceClass)c));
  for (int w = 0; w < WHY_COUNT; w++) words.push_back(advice_why_word((AdviceWhy)w));
  for (const std::string& word : words) {
    for (const char* quote : {"'", "\"", "`"}) {
      std::string literal = quote + word + quote;
      size_t n = count_of(script, literal);
      if (word == "none" && std::string(quote) == "'") n -= count_of(script, "el('p', 'none', ");
      EXPECT_EQ(n, 0u) << literal;
    }
  }
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
  for (int verdict : {(int)VERDICT_MODEL, -1, 99}) {  // no motion's verdict: the page has no label for it
    run.motions[0].cells = {cell((ToolVerdict)verdict, 0)};
    EXPECT_EQ(page_of(run, &result), "") << verdict;
    EXPECT_EQ(result, 2) << verdict;
  }
  run.each_model = true;
  run.motions[0].cells = {cell(VERDICT_FITS, 0)};
  run.lang = (ToolLang)2;  // no such language
  EXPECT_EQ(page_of(run, &result), "");
  EXPECT_EQ(result, 2);
  run.lang = LANG_EN;
  FILE* full = std::fopen("/dev/full", "w");
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(report_html_write(full, run), 1);
  std::fclose(full);
}

}  // namespace
