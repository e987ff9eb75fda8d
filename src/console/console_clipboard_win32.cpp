// console_clipboard_win32.cpp: the clipboard copy of a right click on the console window: the clicked
// page point, its position relative to the page centre, or its colour, as text (see console.h).
//
// Records: none of its own; it reads the scroll offsets and the page of con (console_internal_win32.h).
// The clipboard owns every block it accepts; the program holds none between clicks.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "console/console.h"
#include "console/console_internal_win32.h"

// The text a right click at client point (cx, cy) copies: the page point, or with shift its position
// relative to the page centre in percent of the page width, or with control the colour of that point.
static void con_clip_text(char* out, int size, int cx, int cy, WPARAM keys) {
  int px = cx + con.scroll_x, py = cy + con.scroll_y;
  if (keys & MK_CONTROL) {
    uint8_t rgb[3];
    console_read_pixel(rgb, px, py);
    char r[16], g[16], b[16];
    std::snprintf(r, sizeof r, "%4d", rgb[0]);
    std::snprintf(g, sizeof g, "%4d", rgb[1]);
    std::snprintf(b, sizeof b, "%4d", rgb[2]);
    std::snprintf(out, size, "%s,%s,%s", r + std::strspn(r, " "), g + std::strspn(g, " "), b + std::strspn(b, " "));
  } else if (keys & MK_SHIFT) {
    double pw = con.page_w > 0 ? con.page_w : 1;
    double x = (px - con.page_w * 0.5) * 100.0 / pw;
    double y = (py - con.page_h * 0.5) * 100.0 / pw;
    char xs[64], ys[64];
    std::snprintf(xs, sizeof xs, "%10.2f%%", x);
    std::snprintf(ys, sizeof ys, "%10.2f%%", y);
    std::snprintf(out, size, "%s,%s", xs + std::strspn(xs, " "), ys + std::strspn(ys, " "));
  } else {
    std::snprintf(out, size, "%d,%d", px, py);
  }
}

// A pause around the clipboard's hand-over: another program that watches the clipboard sees it empty
// before the new text arrives.
constexpr DWORD CON_CLIPBOARD_PAUSE_MS = 1;

// Empties the clipboard and hands it the text as CF_OEMTEXT. A block the clipboard accepts is the
// clipboard's from then on and is never freed here; a block it refuses (or that never reached it) is
// freed at once, so the program holds no block between clicks.
static void con_clip_put(const char* text) {
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
  Sleep(CON_CLIPBOARD_PAUSE_MS);
  size_t n = std::strlen(text) + 1;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, n);
  if (block == nullptr) return;
  void* p = GlobalLock(block);
  if (p == nullptr) {
    GlobalFree(block);
    return;
  }
  std::memcpy(p, text, n);
  GlobalUnlock(block);
  Sleep(CON_CLIPBOARD_PAUSE_MS);
  bool accepted = false;
  if (OpenClipboard(nullptr)) {
    accepted = SetClipboardData(CF_OEMTEXT, block) != nullptr;
    CloseClipboard();
  }
  if (!accepted) GlobalFree(block);
}

void con_clip_copy(int cx, int cy, WPARAM keys) {
  char text[128];
  con_clip_text(text, sizeof text, cx, cy, keys);
  con_clip_put(text);
}
