// report_drop.cpp: velmora-report.exe as a drop target (see report_drop.h): the decision from the
// command line and the console, and the last line with its wait for a key.
// Records: none; the language comes from the run settings, which run_language fills.
#include "app/report_drop.h"

#include "app/run.h"
#include "sys/sys.h"

static const char DROP_WAIT_EN[] = "Press any key to close this window.\n";
static const char DROP_WAIT_JA[] = "何かキーを押すとこのウィンドウを閉じます。\n";

bool report_drop_mode(int argc, const char16_t* const* argv) {
  for (int k = 1; k < argc; k++) {
    if (argv[k][0] == u'-' && argv[k][1] != 0) return false;
  }
  return sys_console_own();
}

void report_drop_wait(FILE* out) {
  if (!sys_stdin_console()) return;
  // The language as velmora.exe takes it; a usage error ends the run before the tool has asked.
  run_language(sys_user_lang(), sys_is_dbcs_lead(0x92), sys_console_output_cp());
  std::fputs(run_settings()->japanese ? DROP_WAIT_JA : DROP_WAIT_EN, out);
  std::fflush(out);
  sys_wait_key();
}
