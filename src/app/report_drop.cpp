// report_drop.cpp: velmora-report.exe as a drop target (see report_drop.h): the decision from the
// command line and the console, and the last line with its wait for a key.
// Records: none; the language comes from the run settings, which run_language fills.
#include "app/report_drop.h"

#include <ctime>

#include "app/run.h"
#include "sys/sys.h"

constexpr int DROP_PAGE_TRIES = 100;  // names a drop's page may take within one second

static const char DROP_WAIT_EN[] = "Press any key to close this window.\n";
static const char DROP_WAIT_JA[] = "何かキーを押すとこのウィンドウを閉じます。\n";
static const char DROP_OPEN_EN[] = "Press O to open the library page in your browser, any other key to close this window.\n";
static const char DROP_OPEN_JA[] = "O キーでライブラリのページをブラウザで開きます。ほかのキーでこのウィンドウを閉じます。\n";

bool report_drop_mode(int argc, const char16_t* const* argv) {
  for (int k = 1; k < argc; k++) {
    if (argv[k][0] == u'-' && argv[k][1] != 0) return false;
  }
  return sys_console_own();
}

int report_drop_page(std::u16string* page) {
  char16_t dir[RUN_PATH];
  if (sys_temp_dir_w(dir, RUN_PATH) == 0) return -1;
  std::time_t now = std::time(nullptr);
  char stamp[32] = "";
  const std::tm* t = std::localtime(&now);
  if (t == nullptr || std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", t) == 0) return -1;
  // Two drops within a second: the later page takes "-2", "-3", ... after the time.
  for (int n = 1; n < DROP_PAGE_TRIES; n++) {
    char name[64];
    if (n == 1) std::snprintf(name, sizeof name, "velmora-report-%s.html", stamp);
    else std::snprintf(name, sizeof name, "velmora-report-%s-%d.html", stamp, n);
    *page = dir;
    for (const char* p = name; *p != 0; p++) *page += (char16_t)(unsigned char)*p;
    if (!sys_name_taken_w(page->c_str())) return 0;
  }
  page->clear();
  return -1;
}

void report_drop_wait(FILE* out, const std::u16string& page) {
  if (!sys_stdin_console()) return;
  // The language as velmora.exe takes it; a usage error ends the run before the tool has asked.
  run_language(sys_user_lang(), sys_is_dbcs_lead(0x92), sys_console_output_cp());
  bool japanese = run_settings()->japanese != 0;
  if (page.empty()) std::fputs(japanese ? DROP_WAIT_JA : DROP_WAIT_EN, out);
  else std::fputs(japanese ? DROP_OPEN_JA : DROP_OPEN_EN, out);
  std::fflush(out);
  int key = sys_wait_key();
  if (!page.empty() && (key == 'o' || key == 'O')) sys_open_document_w(page.c_str());
}
