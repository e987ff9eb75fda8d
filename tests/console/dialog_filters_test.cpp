// The open dialog's preparation natively: the motion dialog's filter list character by character, the
// filter index rule, the title and default extension, and the split of the initial path, in both forms.
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

std::unique_ptr<DialogSetupW> setup_w(const char16_t* initial) {
  auto s = std::make_unique<DialogSetupW>();
  dialog_prepare_w(s.get(), initial);
  return s;
}
std::unique_ptr<DialogSetupA> setup_a(const char* initial) {
  auto s = std::make_unique<DialogSetupA>();
  dialog_prepare(s.get(), initial);
  return s;
}

}  // namespace

TEST(DialogFilters, MotionDialogWithTheProgramDirectory) {
  auto s = setup_w(u"C:\\Program Files\\Velmora\\");
  // The exact characters of the list, with its closing second 0.
  const char16_t expect[] = u"MMD Motion File  (*.vmd)\0*.VMD\0All Files  (*.*)\0*.*\0";
  for (size_t i = 0; i < sizeof expect / sizeof expect[0]; i++) ASSERT_EQ(s->filters[i], expect[i]) << i;
  EXPECT_EQ(s->filter_index, 0);
  EXPECT_EQ(str(s->title), "Open MMD Motion File");
  EXPECT_EQ(str(s->default_ext), "vmd");
  EXPECT_EQ(str(s->dir), "C:\\Program Files\\Velmora");
  EXPECT_EQ(str(s->file), "");
}

TEST(DialogFilters, MatchingExtensionSelectsIndexOne) {
  for (const char16_t* name : {u"C:\\m\\dance.vmd", u"C:\\m\\dance.VMD", u"C:\\m\\dance.VmDx"}) {
    auto s = setup_w(name);
    EXPECT_EQ(s->filter_index, 1);
    EXPECT_EQ(str(s->default_ext), "vmd");
  }
  auto s = setup_w(u"C:\\m\\dance.pmx");
  EXPECT_EQ(s->filter_index, 0);
  EXPECT_EQ(str(s->file), "dance.pmx");
  EXPECT_EQ(str(s->dir), "C:\\m");
  EXPECT_EQ(setup_w(u"D:\\x.vmd\\dance")->filter_index, 0);  // a dot in the folder only
  EXPECT_EQ(setup_a("D:\\x\\dance.vMd")->filter_index, 1);
  EXPECT_EQ(setup_a("D:\\x\\dance.vm")->filter_index, 0);
}

TEST(DialogFilters, BothFormsAlike) {
  auto w = setup_w(nullptr);
  auto a = setup_a(nullptr);
  EXPECT_EQ(pairs_of(*w), (std::vector<std::string>{"MMD Motion File  (*.vmd)", "*.VMD", "All Files  (*.*)", "*.*"}));
  EXPECT_EQ(pairs_of(*a), pairs_of(*w));
  EXPECT_EQ(str(a->title), "Open MMD Motion File");
  EXPECT_EQ(str(a->default_ext), "vmd");
  EXPECT_EQ(str(w->dir), "");
  EXPECT_EQ(str(a->dir), "");
  EXPECT_EQ(a->filter_index, 0);
}

TEST(DialogFilters, AnsiFormSplitsShiftJisPaths) {
  auto s = setup_a("C:\\clips\\dance.VMD");
  EXPECT_EQ(s->filter_index, 1);
  EXPECT_EQ(str(s->dir), "C:\\clips");
  EXPECT_EQ(str(s->file), "dance.VMD");
  // A folder named 表 (0x95 0x5C): its trail byte is no separator.
  std::string dir = to_sjis("C:\\表\\");
  s = setup_a((dir + "a.vmd").c_str());
  EXPECT_EQ(std::string(s->dir), to_sjis("C:\\表"));
  EXPECT_EQ(std::string(s->file), "a.vmd");
  // A drive root stays as it is.
  s = setup_a("C:\\");
  EXPECT_EQ(std::string(s->dir), "C:\\");
  auto w = setup_w(u"C:\\");
  EXPECT_EQ(str(w->dir), "C:\\");
}

TEST(DialogFilters, LongInitialPathIsCut) {
  std::u16string longdir = u"C:\\" + std::u16string(400, u'd') + u"\\";
  auto s = setup_w((longdir + u"x.vmd").c_str());
  EXPECT_LT(str(s->dir).size(), (size_t)DIALOG_PATH_UNITS);
  EXPECT_EQ(str(s->file), "x.vmd");
  EXPECT_EQ(s->filter_index, 1);
}
