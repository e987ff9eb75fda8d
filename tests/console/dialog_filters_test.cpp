// The open dialog's preparation natively: the filter list of every kind character by character, the
// filter index rule, titles and default extensions, and the split of the initial path, in both forms.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "console/dialogs.h"
#include "support/testfiles.h"

namespace {

// The filter list as its pairs, read up to the list's second 0.
template <typename C>
std::vector<std::string> pairs_of(const DialogSetup<C>& s) {
  std::vector<std::string> out;
  int i = 0;
  while (s.filters[i] != 0) {
    std::string item;
    for (; s.filters[i] != 0; i++) item += (char)s.filters[i];
    out.push_back(item);
    i++;
  }
  return out;
}

template <typename C>
std::string str(const C* s) {
  std::string out;
  for (int i = 0; s[i] != 0; i++) out += (char)s[i];
  return out;
}

std::unique_ptr<DialogSetupW> setup_w(int kind, const char16_t* initial, int expect = 0) {
  auto s = std::make_unique<DialogSetupW>();
  EXPECT_EQ(dialog_prepare_w(s.get(), kind, initial), expect);
  return s;
}
std::unique_ptr<DialogSetupA> setup_a(int kind, const char* initial, int expect = 0) {
  auto s = std::make_unique<DialogSetupA>();
  EXPECT_EQ(dialog_prepare(s.get(), kind, initial), expect);
  return s;
}

const std::vector<std::string> SCRIPTS = {
    "Script Files  (*.txt;*.ini;*.lrv)", "*.TXT;*.INI;*.LRV", "Text Files  (*.txt)", "*.TXT",
    "INI Files  (*.ini)", "*.INI"};
const std::vector<std::string> IMAGES = {
    "Image Files  (*.bmp;*.gif;*.avi;*.png;*.psd;*.jpg;*.jpe)", "*.BMP;*.GIF;*.AVI;*.PNG;*.PSD;*.JPG;*.JPE",
    "BMP Files  (*.bmp)", "*.BMP", "PNG Files  (*.png)", "*.PNG", "PSD Files  (*.psd)", "*.PSD",
    "JPEG Files  (*.jpg;*.jpe)", "*.JPG;*.JPE", "GIF Files  (*.gif)", "*.GIF", "AVI Files  (*.avi)", "*.AVI"};
const std::vector<std::string> ALL = {"All Files  (*.*)", "*.*"};

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

}  // namespace

TEST(DialogFilters, MotionKindWithTheProgramDirectory) {
  auto s = setup_w(DIALOG_MOTION, u"C:\\Program Files\\Velmora\\");
  // The exact characters of the list, with its closing second 0.
  const char16_t expect[] = u"MMD Motion File  (*.vmd)\0*.VMD\0All Files  (*.*)\0*.*\0";
  for (size_t i = 0; i < sizeof expect / sizeof expect[0]; i++) ASSERT_EQ(s->filters[i], expect[i]) << i;
  EXPECT_EQ(s->pairs, 2);
  EXPECT_EQ(s->filter_index, 0);
  EXPECT_EQ(str(s->title), "Open MMD Motion File");
  EXPECT_EQ(str(s->default_ext), "vmd");
  EXPECT_EQ(str(s->dir), "C:\\Program Files\\Velmora");
  EXPECT_EQ(str(s->file), "");
}

TEST(DialogFilters, MatchingExtensionSelectsIndexOne) {
  for (const char16_t* name : {u"C:\\m\\dance.vmd", u"C:\\m\\dance.VMD", u"C:\\m\\dance.VmDx"}) {
    auto s = setup_w(DIALOG_MOTION, name);
    EXPECT_EQ(s->filter_index, 1);
    EXPECT_EQ(str(s->default_ext), "vmd");
  }
  auto s = setup_w(DIALOG_MOTION, u"C:\\m\\dance.pmx");
  EXPECT_EQ(s->filter_index, 0);
  EXPECT_EQ(str(s->file), "dance.pmx");
  EXPECT_EQ(str(s->dir), "C:\\m");
  EXPECT_EQ(setup_w(DIALOG_VRM, u"a.Vrm")->filter_index, 1);
  EXPECT_EQ(setup_w(DIALOG_VRM, u"a.vmd")->filter_index, 0);
  EXPECT_EQ(setup_w(DIALOG_MODEL, u"D:\\x\\model.PMX")->filter_index, 1);
  EXPECT_EQ(setup_w(DIALOG_MODEL, u"D:\\x.pmx\\model")->filter_index, 0);  // a dot in the folder only
  // Kinds 0 to 3 always take index 0, whatever the extension.
  EXPECT_EQ(setup_w(DIALOG_FILE, u"notes.txt")->filter_index, 0);
  EXPECT_EQ(setup_w(DIALOG_IMAGE, u"pic.bmp")->filter_index, 0);
  EXPECT_EQ(setup_w(DIALOG_SCRIPT, u"run.txt")->filter_index, 0);
  EXPECT_EQ(setup_w(DIALOG_SOURCE, u"run.ini")->filter_index, 0);
}

TEST(DialogFilters, EveryKindsList) {
  EXPECT_EQ(pairs_of(*setup_w(DIALOG_FILE, u"")), ALL);
  EXPECT_EQ(pairs_of(*setup_w(DIALOG_IMAGE, u"")), join({IMAGES, ALL}));
  EXPECT_EQ(pairs_of(*setup_w(DIALOG_SCRIPT, u"")), join({SCRIPTS, ALL}));
  auto source = setup_w(DIALOG_SOURCE, u"");
  EXPECT_EQ(pairs_of(*source), join({SCRIPTS, IMAGES, ALL}));
  EXPECT_EQ(source->pairs, 11);
  EXPECT_EQ(pairs_of(*setup_w(DIALOG_VRM, u"")), join({{"VRM Model File  (*.vrm)", "*.VRM"}, ALL}));
  EXPECT_EQ(pairs_of(*setup_w(DIALOG_MODEL, u"")), join({{"MMD Model File  (*.pmx)", "*.PMX"}, ALL}));
  const char* titles[] = {"Open File",          "Open Image File",     "Open Script File",   "Open Source File",
                          "Open MMD Motion File", "Open VRM Model File", "Open MMD Model File"};
  const char* exts[] = {"txt", "bmp", "txt", "", "vmd", "vrm", "pmx"};
  for (int k = 0; k < DIALOG_KINDS; k++) {
    auto s = setup_w(k, nullptr);
    EXPECT_EQ(str(s->title), titles[k]);
    EXPECT_EQ(str(s->default_ext), exts[k]);
    EXPECT_EQ(str(s->dir), "");
    auto a = setup_a(k, nullptr);
    EXPECT_EQ(pairs_of(*a), pairs_of(*s));
    EXPECT_EQ(a->pairs, s->pairs);
    EXPECT_EQ(str(a->title), titles[k]);
    EXPECT_EQ(str(a->default_ext), exts[k]);
  }
}

TEST(DialogFilters, UnknownKinds) {
  setup_w(7, u"", -1);
  setup_w(-1, u"", -1);
  setup_a(DIALOG_KINDS, "", -1);
}

TEST(DialogFilters, AnsiFormSplitsShiftJisPaths) {
  auto s = setup_a(DIALOG_MOTION, "C:\\clips\\dance.VMD");
  EXPECT_EQ(s->filter_index, 1);
  EXPECT_EQ(str(s->dir), "C:\\clips");
  EXPECT_EQ(str(s->file), "dance.VMD");
  // A folder named 表 (0x95 0x5C): its trail byte is no separator.
  std::string dir = to_sjis("C:\\表\\");
  s = setup_a(DIALOG_MOTION, (dir + "a.vmd").c_str());
  EXPECT_EQ(std::string(s->dir), to_sjis("C:\\表"));
  EXPECT_EQ(std::string(s->file), "a.vmd");
  // A drive root stays as it is.
  s = setup_a(DIALOG_MODEL, "C:\\");
  EXPECT_EQ(std::string(s->dir), "C:\\");
  auto w = setup_w(DIALOG_MODEL, u"C:\\");
  EXPECT_EQ(str(w->dir), "C:\\");
}

TEST(DialogFilters, LongInitialPathIsCut) {
  std::u16string longdir = u"C:\\" + std::u16string(400, u'd') + u"\\";
  auto s = setup_w(DIALOG_MOTION, (longdir + u"x.vmd").c_str());
  EXPECT_LT(str(s->dir).size(), (size_t)DIALOG_PATH_UNITS);
  EXPECT_EQ(str(s->file), "x.vmd");
  EXPECT_EQ(s->filter_index, 1);
}
