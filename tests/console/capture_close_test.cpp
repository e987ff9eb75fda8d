// A capture smaller than the writer's buffer meets a full disk only when the writer closes: that is a
// failed capture, not a success.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "console/capture.h"
#include "formats/filechan.h"
#include "support/testfiles.h"

namespace {
int grey_pixel(uint8_t out[3], int, int) {
  out[0] = out[1] = out[2] = 128;
  return 0;
}
}  // namespace

TEST(CaptureClose, FullDiskAtTheCloseIsAFailedRow) {
  if (!file_exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  TempDir t;
  std::string link = t.file("small.bmp");
  ASSERT_EQ(symlink("/dev/full", link.c_str()), 0);
  CapturePageSource s = {};
  s.width = 4;
  s.height = 3;
  s.read_pixel = grey_pixel;
  EXPECT_EQ(capture_bmp_from(&s, link.c_str()), -2);
  // The same page written to a real file succeeds, byte count 54 + 3 rows of 12.
  std::string ok = t.file("ok.bmp");
  EXPECT_EQ(capture_bmp_from(&s, ok.c_str()), 0);
  EXPECT_EQ(read_file(ok).size(), 54u + 36u);
}

TEST(CaptureClose, WriterReportsTheFailedClose) {
  if (!file_exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  ASSERT_EQ(wfopen("/dev/full"), 0);
  EXPECT_EQ(wfputc('x'), 0);  // still in the buffer
  EXPECT_EQ(wfclose(), -1);
  EXPECT_EQ(wfclose(), 0);    // already closed
}
