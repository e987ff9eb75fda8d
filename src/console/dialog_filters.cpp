// dialog_filters.cpp: the open dialog's preparation (see dialogs.h): the filter list of each file kind,
// the filter index rule, the title and default extension, and the split of the initial path into the
// initial directory and file name. Portable; dialogs_win32.cpp shows the dialog.
//
// Records: the kind table (constant). The setup records belong to the caller.
// Limits: the filter list holds 16,256 characters; a pair is added only when it fits with the list's final
// 0. Directory and name are cut to 259 characters by the path operations.
#include "console/dialogs.h"

#include <cstring>

#include "paths/paths.h"

// ---- Kinds -----------------------------------------------------------------------------------------------

struct DialogFilter {
  const char* description;  // two blanks before the opening parenthesis
  const char* pattern;
};

static const DialogFilter SCRIPT_GROUP[] = {
    {"Script Files  (*.txt;*.ini;*.lrv)", "*.TXT;*.INI;*.LRV"},
    {"Text Files  (*.txt)", "*.TXT"},
    {"INI Files  (*.ini)", "*.INI"},
};
static const DialogFilter IMAGE_GROUP[] = {
    {"Image Files  (*.bmp;*.gif;*.avi;*.png;*.psd;*.jpg;*.jpe)", "*.BMP;*.GIF;*.AVI;*.PNG;*.PSD;*.JPG;*.JPE"},
    {"BMP Files  (*.bmp)", "*.BMP"},
    {"PNG Files  (*.png)", "*.PNG"},
    {"PSD Files  (*.psd)", "*.PSD"},
    {"JPEG Files  (*.jpg;*.jpe)", "*.JPG;*.JPE"},
    {"GIF Files  (*.gif)", "*.GIF"},
    {"AVI Files  (*.avi)", "*.AVI"},
};
static const DialogFilter ALL_FILES = {"All Files  (*.*)", "*.*"};

struct DialogKindInfo {
  const char* title;
  const char* default_ext;  // "" for none
  bool script, image;       // groups, script first
  DialogFilter own;         // the kind's own filter; null description for none
  const char* match_ext;    // an initial extension beginning with this selects filter index 1
};

static const DialogKindInfo KINDS[DIALOG_KINDS] = {
    {"Open File", "txt", false, false, {nullptr, nullptr}, nullptr},
    {"Open Image File", "bmp", false, true, {nullptr, nullptr}, nullptr},
    {"Open Script File", "txt", true, false, {nullptr, nullptr}, nullptr},
    {"Open Source File", "", true, true, {nullptr, nullptr}, nullptr},
    {"Open MMD Motion File", "vmd", false, false, {"MMD Motion File  (*.vmd)", "*.VMD"}, ".VMD"},
    {"Open VRM Model File", "vrm", false, false, {"VRM Model File  (*.vrm)", "*.VRM"}, ".VRM"},
    {"Open MMD Model File", "pmx", false, false, {"MMD Model File  (*.pmx)", "*.PMX"}, ".PMX"},
};

// ---- Building ------------------------------------------------------------------------------------------

template <typename C>
static void dlg_copy_ascii(C* dst, int cap, const char* src) {
  int i = 0;
  for (; i < cap - 1 && src[i] != 0; i++) dst[i] = (C)(unsigned char)src[i];
  dst[i] = 0;
}

template <typename C>
struct DialogList {
  C* buf;
  int used;  // characters before the list's final 0
  int pairs;
};

template <typename C>
static void dlg_add(DialogList<C>* l, const DialogFilter& f) {
  int d = (int)std::strlen(f.description), p = (int)std::strlen(f.pattern);
  if (l->used + d + 1 + p + 1 + 1 > DIALOG_FILTER_UNITS) return;
  dlg_copy_ascii(l->buf + l->used, d + 1, f.description);
  l->used += d + 1;
  dlg_copy_ascii(l->buf + l->used, p + 1, f.pattern);
  l->used += p + 1;
  l->buf[l->used] = 0;
  l->pairs++;
}

template <typename C>
static void dlg_filters(DialogSetup<C>* s, const DialogKindInfo& k) {
  DialogList<C> l = {s->filters, 0, 0};
  s->filters[0] = 0;
  s->filters[1] = 0;
  if (k.script) {
    for (const DialogFilter& f : SCRIPT_GROUP) dlg_add(&l, f);
  }
  if (k.image) {
    for (const DialogFilter& f : IMAGE_GROUP) dlg_add(&l, f);
  }
  if (k.own.description) dlg_add(&l, k.own);
  dlg_add(&l, ALL_FILES);
  s->pairs = l.pairs;
}

int dialog_prepare_w(DialogSetupW* s, int kind, const char16_t* initial) {
  if (kind < 0 || kind >= DIALOG_KINDS) return -1;
  const DialogKindInfo& k = KINDS[kind];
  if (initial == nullptr) initial = u"";
  path_dir_w(s->dir, DIALOG_PATH_UNITS, initial);
  path_strip_sep_w(s->dir);
  path_name_w(s->file, DIALOG_PATH_UNITS, initial);
  char16_t ext[DIALOG_PATH_UNITS];
  path_ext_w(ext, DIALOG_PATH_UNITS, s->file);
  dlg_filters(s, k);
  dlg_copy_ascii(s->title, DIALOG_TEXT_UNITS, k.title);
  dlg_copy_ascii(s->default_ext, DIALOG_TEXT_UNITS, k.default_ext);
  s->filter_index = 0;
  if (k.match_ext) {
    char16_t match[8];
    dlg_copy_ascii(match, 8, k.match_ext);
    if (prefix_nocase_w(ext, match) == 0) s->filter_index = 1;
  }
  return 0;
}

int dialog_prepare(DialogSetupA* s, int kind, const char* initial) {
  if (kind < 0 || kind >= DIALOG_KINDS) return -1;
  const DialogKindInfo& k = KINDS[kind];
  if (initial == nullptr) initial = "";
  path_dir(s->dir, DIALOG_PATH_UNITS, initial);
  path_strip_sep(s->dir);
  path_name(s->file, DIALOG_PATH_UNITS, initial);
  char ext[DIALOG_PATH_UNITS];
  path_ext(ext, DIALOG_PATH_UNITS, s->file);
  dlg_filters(s, k);
  dlg_copy_ascii(s->title, DIALOG_TEXT_UNITS, k.title);
  dlg_copy_ascii(s->default_ext, DIALOG_TEXT_UNITS, k.default_ext);
  s->filter_index = 0;
  if (k.match_ext && prefix_nocase(ext, k.match_ext) == 0) s->filter_index = 1;
  return 0;
}
