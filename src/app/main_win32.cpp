// main_win32.cpp: velmora.exe's entry point and the run sequence around the portable steps of run.cpp:
// language, start-up wait, argument lists, program directory, the open dialog at a start without a
// file, the options, the per-file loop with its extension confirmation, the check, the font, the
// display loop and the verdict box, and the end of the run with its exit code.
//
// Exit codes: 0 normal end (also a start whose dialog gave no usable file), RUN_EXIT_NO_CURSORS (1) the
// cursor set cannot be loaded, RUN_EXIT_DECLINED (16) the user declined the extension confirmation.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/cmdline.h"
#include "app/display.h"
#include "app/run.h"
#include "app/testhooks.h"
#include "check/summary.h"
#include "console/console.h"
#include "formats/filechan.h"
#include "paths/paths.h"
#include "sys/sys.h"
#include "text/encoding.h"

// Deliberate waits, part of the program's visible timing.
constexpr unsigned ENTRY_START_WAIT_MS = 500;     // before anything shows: a drop on the program's icon
                                                  // finishes before the window takes the foreground
constexpr unsigned ENTRY_FONT_WAIT_MS = 50;       // between the font's probe and its load, so the probe's
                                                  // handle is gone before FreeType opens the file again
constexpr unsigned ENTRY_DECLINED_WAIT_MS = 700;  // after a declined confirmation: the box leaves the
                                                  // screen before the window closes

// ---- Message texts (Shift-JIS) ---------------------------------------------------------------------

static const char CAPTION_CONFIRM[] = "Marvaine";
static const char CAPTION_VERDICT[] = "Velmora";

// " このファイル： \r\n", "   %s \r\n", " には拡張子 \".VMD\" 又は \".PMX\" がありません. \r\n", " \r\n",
// " 強行しますか? "
static const char CONFIRM_JA_1[] = " \x82\xB1\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x81\x46 \r\n";
static const char CONFIRM_JA_3[] = " \x82\xC9\x82\xCD\x8A\x67\x92\xA3\x8E\x71 \".VMD\" \x96\x94\x82\xCD \".PMX\" "
                                   "\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1. \r\n";
static const char CONFIRM_JA_5[] = " \x8B\xAD\x8D\x73\x82\xB5\x82\xDC\x82\xB7\x82\xA9? ";
static const char CONFIRM_EN_1[] = " This file: \r\n";
static const char CONFIRM_EN_1_UTF8[] = " This file \r\n";
static const char CONFIRM_EN_3[] = " does not have extension \".VMD\" nor \".PMX\" in the file name. \r\n";
static const char CONFIRM_EN_5[] = " Do you like to continue? ";

// Asks whether a file without a motion or model extension is to be checked. true for OK.
static bool entry_confirm(const RunSettings* rs, const FileState* fs) {
  static char text[1024];
  char name_line[RUN_PATH + 16];
  std::snprintf(name_line, sizeof name_line, "   %s \r\n", fs->ondisk);
  text[0] = 0;
  if (rs->japanese && rs->sjis) {
    std::snprintf(text, sizeof text, "%s%s%s \r\n%s", CONFIRM_JA_1, name_line, CONFIRM_JA_3, CONFIRM_JA_5);
  } else if (rs->output_cp != 65001) {
    std::snprintf(text, sizeof text, "%s%s%s \r\n%s", CONFIRM_EN_1, name_line, CONFIRM_EN_3, CONFIRM_EN_5);
  } else {
    std::snprintf(text, sizeof text, "%s%s \r\n%s", CONFIRM_EN_1_UTF8, CONFIRM_EN_3, CONFIRM_EN_5);
  }
  int answer = MessageBoxA(display_owner(), text, CAPTION_CONFIRM, MB_OKCANCEL | MB_ICONINFORMATION | MB_TOPMOST);
  return answer == IDOK;
}

// The verdict box: the UTF-16 one when only the UTF-16 name opened the file, and on a system whose ANSI
// code page is not Shift-JIS, where the Shift-JIS summary would show as mojibake.
static void entry_verdict(const FileState* fs) {
  UINT style = MB_OK | MB_ICONINFORMATION | MB_TOPMOST;
  if ((fs->ansi_failed && !fs->utf16_failed) || sys_ansi_cp() != 932) {
    MessageBoxW(display_owner(), reinterpret_cast<const wchar_t*>(summary_text_w()), L"Velmora", style);
  } else {
    MessageBoxA(display_owner(), summary_text(), CAPTION_VERDICT, style);
  }
}

// A start without a file asks for a motion in the open dialog and appends it to both lists. false
// when the run is to end (exit code 0): the dialog was cancelled or its file does not open.
static bool entry_ask_file(const RunSettings* rs) {
  static char16_t chosen_w[RUN_PATH];
  static char chosen[RUN_PATH];
  chosen_w[0] = 0;
  chosen[0] = 0;
  if (arg_count_w() >= arg_count_a()) {
    if (display_open_dialog_w(chosen_w, rs->progdir_w) != 0) return false;
    arg_append_utf16(chosen_w);
    utf16_to_sjis(chosen, RUN_PATH, chosen_w);
    arg_append_ansi(chosen);
    if (rfprobeW(chosen_w) != 0) return false;
  } else {
    if (display_open_dialog(chosen, rs->progdir) != 0) return false;
    arg_append_ansi(chosen);
    sjis_to_utf16(chosen_w, RUN_PATH, chosen);
    arg_append_utf16(chosen_w);
    if (rfprobe(chosen) != 0) return false;
  }
  rfclose();
  return true;
}

// The font from the program directory, by ANSI path then UTF-16 path. true when loaded.
static bool entry_load_font(const RunSettings* rs) {
  char16_t path_w[RUN_PATH + 32];
  char path[RUN_PATH * 2 + 32];
  utf16_copy(path_w, RUN_PATH + 32, rs->progdir_w);
  utf16_append(path_w, RUN_PATH + 32, u"mplus-2m-regular.ttf");
  utf16_to_sjis(path, (int)sizeof path, path_w);
  if (rfprobe(path) == 0) {
    rfclose();
    sys_sleep(ENTRY_FONT_WAIT_MS);
    return display_load_font(path, nullptr) == 0;
  }
  if (rfprobeW(path_w) == 0) {
    rfclose();
    sys_sleep(ENTRY_FONT_WAIT_MS);
    return display_load_font(nullptr, path_w) == 0;
  }
  return false;
}

// The end of the run: the window closed, its last messages pumped; the exit code.
static int entry_finish(const RunSettings* rs) {
  display_finish();
  return rs->exit_code;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // A GUI program has no console, so its console output code page reads 0; the OEM code page stands
  // in for it.
  unsigned out_cp = sys_console_output_cp();
  if (out_cp == 0) out_cp = sys_oem_cp();
  run_language(sys_user_lang(), sys_is_dbcs_lead(0x92), out_cp);
  sys_sleep(ENTRY_START_WAIT_MS);
  split_command_line_utf16();
  split_command_line_ansi();
  // Files dropped on the window while a report is shown become further file arguments of the run.
  console_set_drop_sink(arg_append_utf16, arg_append_ansi);
  run_program_dir();
  const RunSettings* rs = run_settings();
  if (arg_count_a() <= 1 && !entry_ask_file(rs)) return 0;
  run_options();

  for (int k = 1; k < arg_count_a() && k < ARG_MAX_WORDS; k++) {
    if (run_is_option(k)) continue;
    run_file_names(k);
    VELMORA_TESTHOOK(testhook_examined(k));
    const FileState* fs = run_file();
    if (rs->cancelDialogue <= 1 && !fs->is_vmd && !fs->is_pmx) {
      if (!entry_confirm(rs, fs)) {
        sys_sleep(ENTRY_DECLINED_WAIT_MS);
        run_exit_or(RUN_EXIT_DECLINED);
        break;
      }
    }
    // Alias file by ANSI path, then by UTF-16 path.
    char alias[RUN_PATH + 16];
    char16_t alias_w[RUN_PATH + 16];
    std::snprintf(alias, sizeof alias, "%salias.ini", rs->progdir);
    utf16_copy(alias_w, RUN_PATH + 16, rs->progdir_w);
    utf16_append(alias_w, RUN_PATH + 16, u"alias.ini");
    run_check(alias, alias_w);
    run_set_font_failed(!entry_load_font(rs));
    if (display_load_cursors() != 0) return RUN_EXIT_NO_CURSORS;
    if (display_loop() == DISPLAY_DROP) continue;
    if (fs->font_failed && rs->cancelDialogue == 0 && (arg_count_a() >= 2 || arg_count_w() >= 2)) entry_verdict(fs);
  }
  return entry_finish(rs);
}
