// The console window under Wine: opened in this process and driven with real messages, sent or posted
// to it and dispatched by console_pump. Sizes, key and mouse codes, scrolling, the clipboard texts, a
// drop built as a real HDROP, close latching, titles, the page, drawing and cursors.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/cmdline.h"
#include "console/console.h"

namespace {

HWND win() { return reinterpret_cast<HWND>(console_handle()); }

void drain() {
  console_pump();
  while (console_take_key() != 0) {
  }
  console_take_left_pressed();
  console_take_left_up();
  console_take_left_released();
  console_take_drag_moved();
  console_take_resized();
}

RECT client_rect() {
  RECT r;
  GetClientRect(win(), &r);
  return r;
}

RECT work_area() {
  RECT r;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

// Posts a message and dispatches it.
void post(UINT msg, WPARAM wp, LPARAM lp) {
  ASSERT_TRUE(PostMessageA(win(), msg, wp, lp));
  console_pump();
}

// The key event a posted sequence leaves, taken.
int key_after(std::initializer_list<MSG> msgs) {
  drain();
  for (const MSG& m : msgs) PostMessageA(win(), m.message, m.wParam, m.lParam);
  console_pump();
  return console_take_key();
}

MSG m(UINT msg, WPARAM wp, LPARAM lp = 0) {
  MSG x{};
  x.message = msg;
  x.wParam = wp;
  x.lParam = lp;
  return x;
}

// The OEM text on the clipboard, or "<none>".
std::string clipboard_text() {
  std::string s = "<none>";
  for (int i = 0; i < 50 && !OpenClipboard(nullptr); i++) Sleep(10);
  HANDLE h = GetClipboardData(CF_OEMTEXT);
  if (h) {
    const char* p = static_cast<const char*>(GlobalLock(h));
    if (p) s = p;
    GlobalUnlock(h);
  }
  CloseClipboard();
  return s;
}

void prepare() {
  ASSERT_EQ(console_load_cursors(), 0);
  // The pointer away from where the windows open, so that no real mouse move mixes in.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  console_set_background(0, 0, 0);
  console_set_drop_sink(arg_append_utf16, arg_append_ansi);
}

// Tests of opening and closing: each starts and ends without a window.
class ConsoleFresh : public ::testing::Test {
 protected:
  void SetUp() override {
    console_close();
    prepare();
  }
  void TearDown() override {
    console_close();
    console_pump();
  }
};

// The other tests share one window: under Wine without a window manager every close waits two seconds
// for the window's withdrawal, so the window is opened once and brought to each test's page size with
// console_resize, which also resets the scroll state.
class Console : public ::testing::Test {
 protected:
  void SetUp() override { prepare(); }
  static void TearDownTestSuite() {
    console_close();
    console_pump();
  }
};

void use_window(int w, int h) {
  if (console_state() == 0) ASSERT_EQ(console_open(w, h, "test"), 0);
  else ASSERT_EQ(console_resize(w, h, "test"), 0);
  console_set_press_cursor(0);
  console_set_normal_cursor(0);
  console_apply_cursor(0);
  drain();
}

// The range a scroll bar of the window offers the user (SB_HORZ or SB_VERT): its largest position while
// it shows, 0 while it is hidden; -1 when the two disagree (a hidden bar with a range, or a shown bar
// without one), -2 when the bar has no scroll information.
int bar_range(int bar) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE;
  if (!GetScrollInfo(win(), bar, &si)) return -2;
  bool shown = (GetWindowLongA(win(), GWL_STYLE) & (bar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL)) != 0;
  if (si.nMin != 0 || shown != (si.nMax > 0)) return -1;
  return si.nMax;
}

// A page larger than the window on both sides, in a window made smaller than the page: both scroll bars
// show.
void open_scrollable(int pw, int ph, int cw, int ch) {
  use_window(pw, ph);
  SetWindowPos(win(), nullptr, 0, 0, cw, ch, SWP_NOMOVE | SWP_NOZORDER);
  console_pump();
}

}  // namespace

// ---- Opening and sizes ---------------------------------------------------------------------------------

TEST_F(ConsoleFresh, SmallPageGivesExactClientSizeWithBarsHidden) {
  ASSERT_EQ(console_open(512, 96, "Velmora "), 0);
  console_pump();
  RECT c = client_rect();
  EXPECT_EQ(c.right, 512);
  EXPECT_EQ(c.bottom, 96);
  LONG style = GetWindowLongA(win(), GWL_STYLE);
  EXPECT_TRUE(style & WS_OVERLAPPEDWINDOW);
  SCROLLBARINFO sb{};
  sb.cbSize = sizeof sb;
  ASSERT_TRUE(GetScrollBarInfo(win(), OBJID_VSCROLL, &sb));
  EXPECT_TRUE(sb.rgstate[0] & STATE_SYSTEM_INVISIBLE);
  ASSERT_TRUE(GetScrollBarInfo(win(), OBJID_HSCROLL, &sb));
  EXPECT_TRUE(sb.rgstate[0] & STATE_SYSTEM_INVISIBLE);
  char cls[16];
  GetClassNameA(win(), cls, sizeof cls);
  EXPECT_STREQ(cls, "gint");
  char title[32];
  GetWindowTextA(win(), title, sizeof title);
  EXPECT_STREQ(title, "Velmora ");
  EXPECT_EQ(console_state(), -1);
  EXPECT_EQ(console_page_width(), 512);
  EXPECT_EQ(console_page_height(), 96);
  // Opened on top of every window; console_drop_topmost takes it out of that band.
  EXPECT_TRUE(GetWindowLongA(win(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_NE(console_drop_topmost(), 0);
  EXPECT_FALSE(GetWindowLongA(win(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(IsWindowVisible(win()));
  // A second open while one is open is refused.
  EXPECT_EQ(console_open(300, 300, "x"), -1);
  EXPECT_EQ(console_page_width(), 512);
}

TEST_F(ConsoleFresh, PageTallerThanWorkAreaSitsAtItsCorner) {
  RECT work = work_area();
  int wh = work.bottom - work.top;
  ASSERT_EQ(console_open(512, wh + 300, "tall"), 0);
  console_pump();
  RECT wr;
  GetWindowRect(win(), &wr);
  EXPECT_EQ(wr.left, work.left);
  EXPECT_EQ(wr.top, work.top);
  EXPECT_EQ(wr.bottom - wr.top, wh);
  // Scrollable from the start: the vertical range is what the client area leaves of the page, and the
  // vertical bar takes its width from the 512-pixel client, which the horizontal bar gives back.
  int vbar = GetSystemMetrics(SM_CXVSCROLL);
  RECT c = client_rect();
  EXPECT_EQ(c.right, 512 - vbar);
  EXPECT_EQ(bar_range(SB_VERT), wh + 300 - c.bottom);
  EXPECT_EQ(bar_range(SB_HORZ), vbar);
  SCROLLBARINFO sb{};
  sb.cbSize = sizeof sb;
  ASSERT_TRUE(GetScrollBarInfo(win(), OBJID_VSCROLL, &sb));
  EXPECT_FALSE(sb.rgstate[0] & STATE_SYSTEM_INVISIBLE);
  ASSERT_TRUE(GetScrollBarInfo(win(), OBJID_HSCROLL, &sb));
  EXPECT_FALSE(sb.rgstate[0] & STATE_SYSTEM_INVISIBLE);
  // The user drags the bottom edge up: the vertical range follows the client height.
  RECT r = wr;
  SendMessageA(win(), WM_SIZING, WMSZ_BOTTOM, reinterpret_cast<LPARAM>(&r));
  SetWindowPos(win(), nullptr, 0, 0, wr.right - wr.left, wh - 200, SWP_NOMOVE | SWP_NOZORDER);
  console_pump();
  c = client_rect();
  EXPECT_EQ(bar_range(SB_VERT), wh + 300 - c.bottom);
  EXPECT_EQ(bar_range(SB_HORZ), vbar);
}

TEST_F(Console, ResizeRebuildsThePageAndFitsTheWindow) {
  use_window(512, 96);
  console_fill_rect(0, 0, 0, 511, 95, 200, 10, 10);
  ASSERT_EQ(console_resize(816, 300, "second"), 0);
  console_pump();
  EXPECT_EQ(console_state(), -1);
  EXPECT_EQ(console_page_width(), 816);
  EXPECT_EQ(console_page_height(), 300);
  RECT c = client_rect();
  EXPECT_EQ(c.right, 816);
  EXPECT_EQ(c.bottom, 300);
  char title[32];
  GetWindowTextA(win(), title, sizeof title);
  EXPECT_STREQ(title, "second");
  // The new page starts in the background colour.
  uint8_t px[3];
  ASSERT_EQ(console_read_pixel(px, 10, 10), 0);
  EXPECT_EQ(px[0], 0);
  // Drawing on the screen reaches the grown client area.
  console_fill_rect(0, 800, 280, 805, 285, 0, 255, 0);
  HDC dc = GetDC(win());
  COLORREF seen = GetPixel(dc, 802, 282);
  ReleaseDC(win(), dc);
  EXPECT_EQ(seen, RGB(0, 255, 0));
  // A page taller than the work area moves the window to the work area's corner and is scrollable at
  // once; the screen drawing still lands in the client area (narrowed by the vertical bar).
  RECT work = work_area();
  ASSERT_EQ(console_resize(600, work.bottom - work.top + 100, "tall"), 0);
  console_pump();
  RECT wr;
  GetWindowRect(win(), &wr);
  EXPECT_EQ(wr.left, work.left);
  EXPECT_EQ(wr.top, work.top);
  EXPECT_EQ(bar_range(SB_VERT), work.bottom - work.top + 100 - client_rect().bottom);
  console_fill_rect(0, 560, 400, 565, 405, 0, 0, 255);
  dc = GetDC(win());
  EXPECT_EQ(GetPixel(dc, 562, 402), RGB(0, 0, 255));
  ReleaseDC(win(), dc);
}

TEST_F(ConsoleFresh, CloseReleasesAndAllowsAnotherOpen) {
  ASSERT_EQ(console_open(512, 96, "a"), 0);
  HWND h = win();
  EXPECT_EQ(console_close(), 0);
  EXPECT_EQ(console_state(), 0);
  EXPECT_EQ(console_handle(), nullptr);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(console_close(), 1);
  EXPECT_EQ(console_resize(600, 100, "x"), -1);
  uint8_t px[3] = {9, 9, 9};
  EXPECT_EQ(console_read_pixel(px, 0, 0), -1);
  EXPECT_EQ(px[0], 0);
  EXPECT_EQ(console_apply_cursor(0), -1);
  EXPECT_EQ(console_draw_pixels(0, 0, 0, 1, 1, px), 1);
  WNDCLASSA wc;
  EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "gint", &wc));
  ASSERT_EQ(console_open(512, 96, "b"), 0);
  EXPECT_TRUE(IsWindow(win()));
}

// ---- Keys ---------------------------------------------------------------------------------------------

TEST_F(Console, KeyCodes) {
  use_window(512, 96);
  EXPECT_EQ(key_after({m(WM_KEYDOWN, VK_CONTROL), m(WM_KEYDOWN, VK_NEXT), m(WM_KEYUP, VK_CONTROL)}), 0x322);
  EXPECT_EQ(key_after({m(WM_KEYDOWN, VK_SHIFT), m(WM_KEYDOWN, VK_HOME), m(WM_KEYUP, VK_SHIFT)}), 0x224);
  EXPECT_EQ(key_after({m(WM_KEYDOWN, VK_CONTROL), m(WM_KEYDOWN, VK_SHIFT), m(WM_KEYDOWN, VK_LEFT),
                       m(WM_KEYUP, VK_SHIFT), m(WM_KEYUP, VK_CONTROL)}),
            0x425);
  EXPECT_EQ(key_after({m(WM_KEYDOWN, VK_CONTROL), m(WM_CHAR, 0x0D), m(WM_KEYUP, VK_CONTROL)}), 0x30D);
  EXPECT_EQ(key_after({m(WM_KEYDOWN, VK_CONTROL), m(WM_CHAR, 0x20), m(WM_KEYUP, VK_CONTROL)}), 0x320);
  EXPECT_EQ(key_after({m(WM_KEYDOWN, VK_DELETE)}), 0x12E);
  EXPECT_EQ(key_after({m(WM_KEYDOWN, VK_RIGHT)}), 0x127);
  EXPECT_EQ(key_after({m(WM_CHAR, 's')}), 0x73);
  EXPECT_EQ(key_after({m(WM_CHAR, 0x1B)}), 0x1B);
  EXPECT_EQ(key_after({m(WM_CHAR, 0x0D)}), 0x0D);
  EXPECT_EQ(key_after({m(WM_CHAR, 0x11)}), 0x11);  // Ctrl+Q arrives as character 17
  EXPECT_EQ(key_after({m(WM_SYSCHAR, 'q', 1 << 29)}), 0x571);
  EXPECT_EQ(key_after({m(WM_SYSCHAR, '1', 1 << 29)}), 0);
  // A key outside 0x21 to 0x2E leaves no event.
  EXPECT_EQ(key_after({m(WM_KEYDOWN, VK_F5)}), 0);
  // console_key peeks; console_take_key clears.
  post(WM_CHAR, 'r', 0);
  EXPECT_EQ(console_key(), 'r');
  EXPECT_EQ(console_key(), 'r');
  EXPECT_EQ(console_take_key(), 'r');
  EXPECT_EQ(console_key(), 0);
}

// ---- Mouse ---------------------------------------------------------------------------------------------

TEST_F(Console, LeftPressDragAndRelease) {
  use_window(512, 96);
  console_set_press_cursor(CONSOLE_HAND_CURSOR);
  drain();
  post(WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(30, 40));
  EXPECT_EQ(console_take_key(), 0x1200);
  EXPECT_EQ(console_take_left_pressed(), -1);
  EXPECT_EQ(console_take_left_pressed(), 0);
  EXPECT_EQ(console_dragging(), -1);
  EXPECT_EQ(console_press_x(), 30);
  EXPECT_EQ(console_press_y(), 40);
  // The hand is the class cursor while the button is down.
  EXPECT_NE((HCURSOR)GetClassLongPtrA(win(), GCLP_HCURSOR), LoadCursorA(nullptr, IDC_ARROW));
  post(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 50));
  EXPECT_EQ(console_drag_moved(), -1);
  EXPECT_EQ(console_drag_x(), 60);
  EXPECT_EQ(console_drag_y(), 50);
  EXPECT_EQ(console_take_drag_moved(), -1);
  EXPECT_EQ(console_drag_moved(), 0);
  post(WM_LBUTTONUP, 0, MAKELPARAM(60, 50));
  EXPECT_EQ(console_dragging(), 0);
  EXPECT_EQ((HCURSOR)GetClassLongPtrA(win(), GCLP_HCURSOR), LoadCursorA(nullptr, IDC_ARROW));
  // Left up and left released stay raised until taken.
  console_pump();
  EXPECT_EQ(console_left_up(), -1);
  EXPECT_EQ(console_take_left_up(), -1);
  EXPECT_EQ(console_left_up(), 0);
  EXPECT_EQ(console_take_left_released(), -1);
  EXPECT_EQ(console_take_left_released(), 0);
  // Shift with the left button, right and middle buttons.
  EXPECT_EQ(key_after({m(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, 0)}), 0x1100);
  post(WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(key_after({m(WM_MBUTTONDOWN, MK_MBUTTON)}), 0x5000);
  EXPECT_EQ(key_after({m(WM_KEYDOWN, VK_CONTROL), m(WM_MBUTTONUP, 0), m(WM_KEYUP, VK_CONTROL)}), 0x5A00);
}

TEST_F(Console, ReleaseOutsideTheClientAreaLeavesNoPressPending) {
  use_window(512, 96);
  console_set_press_cursor(CONSOLE_HAND_CURSOR);
  drain();
  post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  ASSERT_EQ(console_dragging(), -1);
  // A move over the frame while the button is no longer down cancels the press.
  post(WM_NCMOUSEMOVE, HTCAPTION, MAKELPARAM(100, 5));
  EXPECT_EQ(console_dragging(), 0);
  EXPECT_EQ((HCURSOR)GetClassLongPtrA(win(), GCLP_HCURSOR), LoadCursorA(nullptr, IDC_ARROW));
  post(WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
  EXPECT_EQ(console_drag_moved(), 0);
  // Back in the client area without the button: the same.
  post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  post(WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
  EXPECT_EQ(console_dragging(), 0);
  EXPECT_EQ(console_drag_moved(), 0);
}

// ---- Scrolling ------------------------------------------------------------------------------------------

TEST_F(Console, LineScrollAcceleratesWhileTheMouseStaysStill) {
  open_scrollable(1600, 3000, 600, 500);
  int range = bar_range(SB_VERT);
  ASSERT_GT(range, 2000);
  std::vector<int> steps;
  for (int i = 0; i < 11; i++) {
    int before = console_scroll_y();
    SendMessageA(win(), WM_VSCROLL, SB_LINEDOWN, 0);
    steps.push_back(console_scroll_y() - before);
  }
  EXPECT_EQ(steps, (std::vector<int>{2, 2, 2, 2, 2, 2, 2, 2, 2, 3, 4}));
  // The mouse moves (the system hit-tests it): the steps start again at 2.
  SendMessageA(win(), WM_NCHITTEST, 0, MAKELPARAM(100, 100));
  int before = console_scroll_y();
  SendMessageA(win(), WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(console_scroll_y() - before, -2);
  // Page down moves a tenth of the range.
  before = console_scroll_y();
  SendMessageA(win(), WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(console_scroll_y() - before, range / 10);
  // The bar follows.
  EXPECT_EQ(GetScrollPos(win(), SB_VERT), console_scroll_y());
  // One wheel notch down moves 120 pixels.
  before = console_scroll_y();
  post(WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)(short)-120), 0);
  EXPECT_EQ(console_scroll_y() - before, 120);
  post(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_EQ(console_scroll_y(), before);
  // Thumb position at release; tracking moves nothing.
  SendMessageA(win(), WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 300), 0);
  EXPECT_EQ(console_scroll_x(), 0);
  SendMessageA(win(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 300), 0);
  EXPECT_EQ(console_scroll_x(), 300);
  // Requests past the range are cut.
  SendMessageA(win(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 60000), 0);
  EXPECT_EQ(console_scroll_y(), range);
  post(WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)(short)-120), 0);
  EXPECT_EQ(console_scroll_y(), range);
  console_scroll_to_y(-50);
  EXPECT_EQ(console_scroll_y(), 0);
  console_scroll_to_x(1 << 20);
  EXPECT_EQ(console_scroll_x(), bar_range(SB_HORZ));
}

TEST_F(Console, SmallRangeStopsLineScrollFromTheTenthStep) {
  // 8 pixels short, and wider by the vertical bar so that no horizontal bar takes more height.
  use_window(512, 300);
  RECT wr;
  GetWindowRect(win(), &wr);
  SetWindowPos(win(), nullptr, 0, 0, wr.right - wr.left + GetSystemMetrics(SM_CXVSCROLL), wr.bottom - wr.top - 8,
               SWP_NOMOVE | SWP_NOZORDER);
  console_pump();
  int range = bar_range(SB_VERT);
  ASSERT_GT(range, 0);
  ASSERT_LT(range, 10);
  SendMessageA(win(), WM_NCHITTEST, 0, 0);
  for (int i = 0; i < 9; i++) SendMessageA(win(), WM_VSCROLL, SB_LINEDOWN, 0);
  int y = console_scroll_y();
  SendMessageA(win(), WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(console_scroll_y(), y);
}

// ---- Clipboard ------------------------------------------------------------------------------------------

TEST_F(Console, RightClickCopiesPositionPercentOrColour) {
  open_scrollable(800, 3000, 600, 500);
  ASSERT_GE(bar_range(SB_HORZ), 5);
  ASSERT_GE(bar_range(SB_VERT), 100);
  console_scroll_to_x(5);
  console_scroll_to_y(100);
  drain();
  post(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 20));
  EXPECT_EQ(console_take_key(), 0x2000);
  EXPECT_EQ(clipboard_text(), "15,120");
  post(WM_RBUTTONUP, 0, MAKELPARAM(10, 20));
  // Page point (400, 100) of an 800-wide page of height 3000: 0.00% and (100 - 1500) / 8 = -175.00%.
  console_scroll_to_y(0);
  post(WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, MAKELPARAM(395, 100));
  EXPECT_EQ(console_take_key(), 0x2100);
  EXPECT_EQ(clipboard_text(), "0.00%,-175.00%");
  // Control wins over shift: the colour of the clicked page point.
  console_fill_rect(0, 200, 30, 200, 30, 255, 128, 0);
  post(WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT | MK_CONTROL, MAKELPARAM(195, 30));
  EXPECT_EQ(console_take_key(), 0x2300);
  EXPECT_EQ(clipboard_text(), "255,128,0");
  post(WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL, MAKELPARAM(1, 1));
  EXPECT_EQ(clipboard_text(), "0,0,0");
}

TEST_F(Console, ShiftRightClickPercentOfPageWidth) {
  // An 800 x 600 page: page point (400, 100) gives 0.00% and -25.00%; the centre gives 0.00%,0.00%.
  use_window(800, 600);
  post(WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, MAKELPARAM(400, 100));
  EXPECT_EQ(clipboard_text(), "0.00%,-25.00%");
  post(WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, MAKELPARAM(400, 300));
  EXPECT_EQ(clipboard_text(), "0.00%,0.00%");
  post(WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, MAKELPARAM(0, 0));
  EXPECT_EQ(clipboard_text(), "-50.00%,-37.50%");
}

// ---- Dropped files -----------------------------------------------------------------------------------------

namespace {

// A real HDROP: a DROPFILES header followed by UTF-16 names, each ended by a 0, the list by another.
HGLOBAL make_hdrop(const std::vector<std::wstring>& names) {
  size_t units = 1;
  for (const auto& n : names) units += n.size() + 1;
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + units * sizeof(wchar_t));
  auto* df = static_cast<DROPFILES*>(GlobalLock(h));
  df->pFiles = sizeof(DROPFILES);
  df->fWide = TRUE;
  auto* p = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(df) + sizeof(DROPFILES));
  for (const auto& n : names) {
    std::memcpy(p, n.c_str(), (n.size() + 1) * sizeof(wchar_t));
    p += n.size() + 1;
  }
  *p = 0;
  GlobalUnlock(h);
  return h;
}

}  // namespace

TEST_F(Console, DropOfThreeFiles) {
  use_window(512, 96);
  console_clear_dropped();
  int nw = arg_count_w(), na = arg_count_a();
  HGLOBAL h = make_hdrop({L"C:\\clips\\a.vmd", L"C:\\clips\\b.vmd", L"C:\\clips\\c.pmx"});
  post(WM_DROPFILES, reinterpret_cast<WPARAM>(h), 0);
  EXPECT_EQ(console_files_dropped(), -1);
  EXPECT_EQ(std::u16string(console_dropped_path_w()), u"C:\\clips\\a.vmd");
  EXPECT_EQ(std::string(console_dropped_path()), "C:\\clips\\a.vmd");
  ASSERT_EQ(arg_count_w(), nw + 2);
  ASSERT_EQ(arg_count_a(), na + 2);
  EXPECT_EQ(std::u16string(arg_w(nw)), u"C:\\clips\\b.vmd");
  EXPECT_EQ(std::u16string(arg_w(nw + 1)), u"C:\\clips\\c.pmx");
  EXPECT_EQ(std::string(arg_a(na)), "C:\\clips\\b.vmd");
  EXPECT_EQ(std::string(arg_a(na + 1)), "C:\\clips\\c.pmx");
  console_clear_dropped();
  EXPECT_EQ(console_files_dropped(), 0);
  // A first name too long for its buffer is skipped and leaves no earlier name behind.
  std::wstring longname = L"C:\\" + std::wstring(300, L'x') + L".vmd";
  h = make_hdrop({longname, L"C:\\clips\\d.vmd"});
  post(WM_DROPFILES, reinterpret_cast<WPARAM>(h), 0);
  EXPECT_EQ(console_files_dropped(), -1);
  EXPECT_EQ(std::u16string(console_dropped_path_w()), u"");
  EXPECT_EQ(std::string(console_dropped_path()), "");
  EXPECT_EQ(std::u16string(arg_w(arg_count_w() - 1)), u"C:\\clips\\d.vmd");
  EXPECT_EQ(std::string(arg_a(arg_count_a() - 1)), "C:\\clips\\d.vmd");
}

TEST_F(Console, DropOfJapaneseNameInBothForms) {
  use_window(512, 96);
  HGLOBAL h = make_hdrop({L"C:\\\x52D5\x304D.vmd"});  // 動き.vmd
  post(WM_DROPFILES, reinterpret_cast<WPARAM>(h), 0);
  EXPECT_EQ(std::u16string(console_dropped_path_w()), u"C:\\\x52D5\x304D.vmd");
  if (GetACP() == 932) EXPECT_EQ(std::string(console_dropped_path()), "C:\\\x93\xAE\x82\xAB.vmd");
  else EXPECT_EQ(std::string(console_dropped_path()), "C:\\??.vmd");
}

// ---- Close and titles -----------------------------------------------------------------------------------------

TEST_F(ConsoleFresh, CloseRequestLatchesAndKeepsTheWindow) {
  ASSERT_EQ(console_open(512, 96, "close"), 0);
  EXPECT_EQ(console_close_requested(), 0);
  HGLOBAL drop = make_hdrop({L"C:\\x.vmd"});
  post(WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  EXPECT_EQ(console_files_dropped(), -1);
  post(WM_CLOSE, 0, 0);
  EXPECT_EQ(console_close_requested(), -1);
  EXPECT_TRUE(IsWindow(win()));
  EXPECT_TRUE(IsWindowVisible(win()));
  console_pump();
  EXPECT_EQ(console_close_requested(), -1);
  // The system menu's close command arrives as WM_CLOSE too.
  console_close();
  EXPECT_EQ(console_close_requested(), -1);
  // A new open clears the close request, files dropped and the dropped paths.
  ASSERT_EQ(console_open(512, 96, "close"), 0);
  EXPECT_EQ(console_close_requested(), 0);
  EXPECT_EQ(console_files_dropped(), 0);
  EXPECT_EQ(std::string(console_dropped_path()), "");
  EXPECT_EQ(std::u16string(console_dropped_path_w()), u"");
  SendMessageA(win(), WM_SYSCOMMAND, SC_CLOSE, 0);
  console_pump();
  EXPECT_EQ(console_close_requested(), -1);
  EXPECT_TRUE(IsWindow(win()));
}

TEST_F(Console, TitleIsSetOnlyWhenItChanges) {
  use_window(512, 96);
  console_set_title("Velmora ");
  EXPECT_EQ(console_set_title("Velmora "), 0);
  SetWindowTextA(win(), "changed behind its back");
  EXPECT_EQ(console_set_title("Velmora "), 0);
  char t[64];
  GetWindowTextA(win(), t, sizeof t);
  EXPECT_STREQ(t, "changed behind its back");
  EXPECT_EQ(console_set_title("other"), 1);
  GetWindowTextA(win(), t, sizeof t);
  EXPECT_STREQ(t, "other");
  // A long title is cut to the stored size and still compares equal to what was stored.
  std::string longt(400, 'a');
  EXPECT_EQ(console_set_title(longt.c_str()), 1);
  GetWindowTextA(win(), t, sizeof t);
  EXPECT_EQ(std::string(t), std::string(63, 'a'));
}

// ---- Drawing ---------------------------------------------------------------------------------------------

TEST_F(Console, FillRectIncludesBothCornersAndPixelsDrawInOrder) {
  console_set_background(10, 20, 30);
  use_window(512, 96);
  uint8_t px[3];
  ASSERT_EQ(console_read_pixel(px, 100, 50), 0);
  EXPECT_EQ(px[0], 10);
  EXPECT_EQ(px[1], 20);
  EXPECT_EQ(px[2], 30);
  console_fill_rect(-1, 10, 10, 12, 11, 1, 2, 3);
  console_read_pixel(px, 12, 11);
  EXPECT_EQ(px[0], 1);
  console_read_pixel(px, 13, 11);
  EXPECT_EQ(px[0], 10);
  console_read_pixel(px, 12, 12);
  EXPECT_EQ(px[0], 10);
  // Two rows of three pixels, blue-green-red bytes, rows padded to 12 bytes, top row first.
  const uint8_t block[24] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0};
  EXPECT_EQ(console_draw_pixels(0, 40, 20, 3, 2, block), 0);
  console_read_pixel(px, 40, 20);
  EXPECT_EQ(px[0], 3);
  EXPECT_EQ(px[1], 2);
  EXPECT_EQ(px[2], 1);
  console_read_pixel(px, 42, 21);
  EXPECT_EQ(px[0], 19);
  EXPECT_EQ(px[2], 17);
  // Target 1 draws on the screen only.
  EXPECT_EQ(console_draw_pixels(1, 60, 20, 3, 1, block), 0);
  console_read_pixel(px, 60, 20);
  EXPECT_EQ(px[0], 10);
  HDC dc = GetDC(win());
  EXPECT_EQ(GetPixel(dc, 60, 20), RGB(3, 2, 1));
  ReleaseDC(win(), dc);
  // Nothing to draw: an empty block, or a block wholly off the screen for the screen alone.
  EXPECT_EQ(console_draw_pixels(0, 0, 0, 0, 1, block), 1);
  EXPECT_EQ(console_draw_pixels(1, 0, GetSystemMetrics(SM_CYSCREEN), 3, 1, block), 1);
}

TEST_F(Console, PaintShowsThePage) {
  use_window(512, 96);
  // A paint after the window was covered and uncovered copies from the page.
  console_fill_rect(-1, 0, 0, 511, 95, 0, 90, 0);
  InvalidateRect(win(), nullptr, TRUE);
  UpdateWindow(win());
  HDC dc = GetDC(win());
  EXPECT_EQ(GetPixel(dc, 3, 3), RGB(0, 90, 0));
  EXPECT_EQ(GetPixel(dc, 500, 90), RGB(0, 90, 0));
  ReleaseDC(win(), dc);
}

// ---- Cursors -------------------------------------------------------------------------------------------------

TEST_F(Console, CursorTableAndTheHand) {
  use_window(512, 96);
  EXPECT_EQ(console_apply_cursor(9), -1);
  EXPECT_EQ(console_apply_cursor(-1), -1);
  EXPECT_EQ(console_apply_cursor(1), 0);
  EXPECT_EQ((HCURSOR)GetClassLongPtrA(win(), GCLP_HCURSOR), LoadCursorA(nullptr, IDC_CROSS));
  EXPECT_EQ(console_set_normal_cursor(0), 0);  // unchanged index: nothing applied
  EXPECT_EQ((HCURSOR)GetClassLongPtrA(win(), GCLP_HCURSOR), LoadCursorA(nullptr, IDC_CROSS));
  EXPECT_EQ(console_set_normal_cursor(8), 0);
  HCURSOR hand = (HCURSOR)GetClassLongPtrA(win(), GCLP_HCURSOR);
  ICONINFO ii{};
  ASSERT_TRUE(GetIconInfo(hand, &ii));
  EXPECT_FALSE(ii.fIcon);
  EXPECT_EQ(ii.xHotspot, 10u);
  EXPECT_EQ(ii.yHotspot, 10u);
  // A monochrome cursor: one bitmap, the AND plane on top of the XOR plane.
  BITMAP bm{};
  ASSERT_TRUE(GetObjectA(ii.hbmMask, sizeof bm, &bm));
  EXPECT_EQ(bm.bmWidth, 32);
  EXPECT_EQ(bm.bmHeight, 64);
  uint8_t bits[256] = {};
  ASSERT_EQ(GetBitmapBits(ii.hbmMask, sizeof bits, bits), 256);
  // Row 0: transparent apart from the outline at columns 8 and 9.
  EXPECT_EQ(bits[0], 0xFF);
  EXPECT_EQ(bits[1], 0x3F);
  EXPECT_EQ(bits[128 + 1], 0x00);  // black
  // Row 10, columns 8 to 15: inside the palm, white (AND 0, XOR 1).
  EXPECT_EQ(bits[10 * 4 + 1], 0x00);
  EXPECT_EQ(bits[128 + 10 * 4 + 1], 0xFE);  // column 15 is the outline
  // Rows 20 on are transparent.
  for (int i = 20 * 4; i < 128; i++) EXPECT_EQ(bits[i], 0xFF) << i;
  DeleteObject(ii.hbmMask);
  if (ii.hbmColor) DeleteObject(ii.hbmColor);
  EXPECT_EQ(console_load_cursors(), 0);  // loaded once; the table stays
  EXPECT_EQ(console_set_normal_cursor(8), 0);
  EXPECT_EQ((HCURSOR)GetClassLongPtrA(win(), GCLP_HCURSOR), hand);
}

// ---- The end of a user's move or resize, and the system commands ------------------------------------------

namespace {

SIZE outer_size() {
  RECT r;
  GetWindowRect(win(), &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

// The outer size that shows a page of w x h: the full size.
SIZE full_size(int w, int h) {
  RECT r = {0, 0, w, h};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW | WS_HSCROLL | WS_VSCROLL, FALSE);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

// A second thread that holds the clipboard open until released.
struct ClipboardHolder {
  HANDLE opened, release;
};
DWORD WINAPI hold_clipboard(LPVOID p) {
  ClipboardHolder* c = static_cast<ClipboardHolder*>(p);
  // Opened for a window of this thread, so that an open without a window is refused.
  HWND own = CreateWindowExA(0, "STATIC", "holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  BOOL ok = own != nullptr && OpenClipboard(own);
  SetEvent(c->opened);
  WaitForSingleObject(c->release, 10000);
  if (ok) CloseClipboard();
  if (own) DestroyWindow(own);
  return ok ? 0 : 1;
}

void user_sized(int w, int h) {
  SetWindowPos(win(), nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER);
  console_pump();
  console_take_resized();
  SendMessageA(win(), WM_EXITSIZEMOVE, 0, 0);
  console_pump();
}

}  // namespace

TEST_F(Console, EndOfSizingSnapsBackToTheFullSize) {
  // No scroll range (the user made the window larger than the page): it returns to the full size.
  use_window(512, 96);
  SIZE full = full_size(512, 96);
  user_sized(full.cx + 40, full.cy + 30);
  EXPECT_EQ(bar_range(SB_HORZ), 0);
  EXPECT_EQ(bar_range(SB_VERT), 0);
  EXPECT_EQ(console_take_resized(), -1);
  EXPECT_EQ(console_take_resized(), 0);
  EXPECT_EQ(outer_size().cx, full.cx);
  EXPECT_EQ(outer_size().cy, full.cy);

  // Both ranges: opened wide enough for the whole width, the width snaps to the full width and the view
  // returns to x 0; the height keeps its bar, and the horizontal bar stays for the strip the vertical bar
  // covers.
  open_scrollable(800, 3000, 600, 500);
  ASSERT_GT(bar_range(SB_HORZ), 0);
  ASSERT_GT(bar_range(SB_VERT), 0);
  console_scroll_to_x(50);
  console_scroll_to_y(70);
  SIZE f = full_size(800, 3000);
  user_sized(800 + GetSystemMetrics(SM_CXVSCROLL), 500);
  EXPECT_EQ(console_take_resized(), -1);
  EXPECT_EQ(outer_size().cx, f.cx);
  EXPECT_EQ(outer_size().cy, 500);
  EXPECT_EQ(console_scroll_x(), 0);
  EXPECT_EQ(bar_range(SB_HORZ), GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(console_scroll_y(), 70);
  EXPECT_EQ(bar_range(SB_VERT), 3000 - client_rect().bottom);

  // Only a vertical range (the window wider than the page and its bar): the width becomes the full width
  // with the bar.
  use_window(512, 3000);
  user_sized(full_size(512, 3000).cx + GetSystemMetrics(SM_CXVSCROLL) + 50, 400);
  EXPECT_EQ(outer_size().cx, full_size(512, 3000).cx + GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(outer_size().cy, 400);
  EXPECT_EQ(client_rect().right, 512);
  EXPECT_GT(bar_range(SB_VERT), 0);
  // The same near the work area's right edge: the window moves back so that its bar stays on the work
  // area.
  RECT work = work_area();
  SetWindowPos(win(), nullptr, work.right - 300, work.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  user_sized(full_size(512, 3000).cx + GetSystemMetrics(SM_CXVSCROLL) + 50, 400);
  RECT wr;
  GetWindowRect(win(), &wr);
  EXPECT_EQ(wr.right - wr.left, full_size(512, 3000).cx + GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(wr.right, work.right);
  EXPECT_EQ(wr.top, work.top);
}

TEST_F(Console, MaximiseFirstGrowsByEight) {
  // The size the maximise command sets first is the restored size afterwards (the normal placement);
  // under Wine without a window manager the window does not grow beyond it.
  use_window(512, 96);
  SIZE full = full_size(512, 96);
  auto normal = []() {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(win(), &wp);
    return SIZE{wp.rcNormalPosition.right - wp.rcNormalPosition.left,
                wp.rcNormalPosition.bottom - wp.rcNormalPosition.top};
  };
  // Sent one after another without pumping: Wine without a window manager restores a maximised window
  // once it reads the window's state back from the display.
  SetWindowPos(win(), nullptr, 0, 0, 400, 80, SWP_NOMOVE | SWP_NOZORDER);
  SendMessageA(win(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_EQ(normal().cx, 408);
  EXPECT_EQ(normal().cy, 88);
  EXPECT_LE(outer_size().cx, full.cx);
  // Maximised already: no second step.
  SendMessageA(win(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_EQ(normal().cx, 408);
  SendMessageA(win(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsZoomed(win()));
  EXPECT_EQ(outer_size().cx, 408);
  EXPECT_EQ(outer_size().cy, 88);
  // Restored: the next maximise steps again, never beyond the full size.
  SetWindowPos(win(), nullptr, 0, 0, full.cx - 3, full.cy - 20, SWP_NOMOVE | SWP_NOZORDER);
  SendMessageA(win(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_EQ(normal().cx, full.cx);
  EXPECT_EQ(normal().cy, full.cy - 12);
  SendMessageA(win(), WM_SYSCOMMAND, SC_RESTORE, 0);
  console_pump();
}

TEST_F(Console, RefusedClipboardBlockLeavesTheClipboardAlone) {
  use_window(512, 96);
  post(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(7, 8));
  ASSERT_EQ(clipboard_text(), "7,8");
  // Another thread holds the clipboard open: both the emptying and the hand-over are refused.
  HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ClipboardHolder holder{opened, release};
  HANDLE th = CreateThread(nullptr, 0, hold_clipboard, &holder, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(opened, 10000), WAIT_OBJECT_0);
  post(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(9, 9));
  EXPECT_EQ(console_take_key(), 0x2000);
  SetEvent(release);
  WaitForSingleObject(th, 10000);
  DWORD code = 1;
  GetExitCodeThread(th, &code);
  EXPECT_EQ(code, 0u);
  CloseHandle(th);
  CloseHandle(opened);
  CloseHandle(release);
  EXPECT_EQ(clipboard_text(), "7,8");
  post(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(9, 9));
  EXPECT_EQ(clipboard_text(), "9,9");
}
