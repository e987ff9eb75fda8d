// dialog_filters.cpp: the open dialog's preparation (see dialogs.h): the motion dialog's filter list, the
// filter index rule, the title and default extension, and the split of the initial path into the
// initial directory and file name. Portable; dialogs_win32.cpp shows the dialog.
//
// Records: the filter table (constant). The setup records belong to the caller.
// Limits: the filter list holds 16,256 characters; a pair is added only when it fits with the list's final
// 0. Directory and name are cut to 259 characters by the path operations.
#include "console/dialogs.h"

#include <cstring>

#include "paths/paths.h"

// ---- The motion dialog -----------------------------------------------------------------------------------

struct DialogFilter {
  const char* description;  // two blanks before the opening parenthesis
  const char* pattern;
};

// The motion files first, then every file.
static const DialogFilter FILTERS[] = {
    {"MMD Motion File  (*.vmd)", "*.VMD"},
    {"All Files  (*.*)", "*.*"},
};
static const char TITLE[] = "Open MMD Motion File";
static const char DEFAULT_EXT[] = "vmd";
static const char MATCH_EXT[] = ".VMD";  // an initial extension beginning with this selects filter index 1

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
}

// The filter list, the title and the default extension, alike in both forms.
template <typename C>
static void dlg_texts(DialogSetup<C>* s) {
  DialogList<C> l = {s->filters, 0};
  s->filters[0] = 0;
  s->filters[1] = 0;
  for (const DialogFilter& f : FILTERS) dlg_add(&l, f);
  dlg_copy_ascii(s->title, DIALOG_TEXT_UNITS, TITLE);
  dlg_copy_ascii(s->default_ext, DIALOG_TEXT_UNITS, DEFAULT_EXT);
}

void dialog_prepare_w(DialogSetupW* s, const char16_t* initial) {
  if (initial == nullptr) initial = u"";
  path_dir_w(s->dir, DIALOG_PATH_UNITS, initial);
  path_strip_sep_w(s->dir);
  path_name_w(s->file, DIALOG_PATH_UNITS, initial);
  char16_t ext[DIALOG_PATH_UNITS];
  path_ext_w(ext, DIALOG_PATH_UNITS, s->file);
  dlg_texts(s);
  char16_t match[sizeof MATCH_EXT];
  dlg_copy_ascii(match, (int)sizeof MATCH_EXT, MATCH_EXT);
  s->filter_index = prefix_nocase_w(ext, match) == 0 ? 1 : 0;
}

void dialog_prepare(DialogSetupA* s, const char* initial) {
  if (initial == nullptr) initial = "";
  path_dir(s->dir, DIALOG_PATH_UNITS, initial);
  path_strip_sep(s->dir);
  path_name(s->file, DIALOG_PATH_UNITS, initial);
  char ext[DIALOG_PATH_UNITS];
  path_ext(ext, DIALOG_PATH_UNITS, s->file);
  dlg_texts(s);
  s->filter_index = prefix_nocase(ext, MATCH_EXT) == 0 ? 1 : 0;
}
