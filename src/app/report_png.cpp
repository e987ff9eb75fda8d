// report_png.cpp: velmora-report's pictures (see report_png.h): the font and the directory before the
// first file, then per file its picture's name, the page rendered by page_image_render into an RGB
// buffer, and the buffer written through libpng's simplified writer into a new file, whole or not at all
// (report_files.h).
//
// Records: settings (the directory and the font path), written once by report_png_start.
// Limits: a picture's name holds fewer than 1,024 units (the platform seam then refuses names of 260
// units or more, as Windows would); a page is at most 1,032 x 8,704 pixels (127-byte lines, 512 lines),
// 27 MB of RGB, allocated once per picture and freed on the one exit path.
// The font is loaded again before every page: it is read through the byte reader, which the readers of
// the file's check have used since (README: one byte reader).
#include "app/report_png.h"

#include <cstdlib>
#include <cstring>

#include <png.h>

#include "app/report_files.h"
#include "app/report_text.h"
#include "app/run.h"
#include "console/glyph.h"
#include "console/page_image.h"
#include "paths/paths.h"
#include "sys/sys.h"
#include "text/encoding.h"

constexpr int REPORT_PNG_NAME_UNITS = 1024;        // a picture's name; the seam takes fewer than 260 units
constexpr double REPORT_PNG_FONT_PIXELS = 16.0;    // the font size velmora.exe draws the page in
static const char16_t REPORT_PNG_FONT_NAME[] = u"mplus-2m-regular.ttf";

struct PngSettings {
  char16_t dir[REPORT_PNG_NAME_UNITS];
  char16_t font[REPORT_PNG_NAME_UNITS];
};
static PngSettings settings;

int report_png_start(FILE* err, const char16_t* dir, const char16_t* font) {
  settings.dir[0] = settings.font[0] = 0;
  if (font != nullptr) {
    if (utf16_length(font) < REPORT_PNG_NAME_UNITS) utf16_copy(settings.font, REPORT_PNG_NAME_UNITS, font);
  } else {
    char16_t self[RUN_PATH];
    if (sys_program_path_w(self, RUN_PATH) > 0) {
      path_dir_w(settings.font, REPORT_PNG_NAME_UNITS, self);
      utf16_append(settings.font, REPORT_PNG_NAME_UNITS, REPORT_PNG_FONT_NAME);
    }
  }
  if (settings.font[0] == 0 || font_load_w(settings.font, 0.0, REPORT_PNG_FONT_PIXELS) != 0) {
    if (font != nullptr) std::fprintf(err, "velmora-report: cannot load the font %s\n", report_text_path(font).c_str());
    else std::fputs("velmora-report: cannot load mplus-2m-regular.ttf beside the program (--font FILE)\n", err);
    return 2;
  }
  return report_files_dir(err, dir, settings.dir);
}

// DIR/NNNN-NAME.png into name. false when it would not fit.
static bool report_png_name(char16_t* name, int position, const char16_t* file) {
  static char16_t base[REPORT_PNG_NAME_UNITS];
  int i = report_text_ascii_w(base, 24, "%04d-", position);
  if (utf16_length(file) < REPORT_PNG_NAME_UNITS) path_name_w(base + i, REPORT_PNG_NAME_UNITS - i, file);
  utf16_append(base, REPORT_PNG_NAME_UNITS, u".png");
  return path_join_w(name, REPORT_PNG_NAME_UNITS, settings.dir, base) == 0;
}

// The RGB rows into the open file as an 8-bit RGB PNG. true when libpng wrote it all.
static bool report_png_encode(FILE* f, const uint8_t* rgb, int32_t width, int32_t height) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = (png_uint_32)width;
  image.height = (png_uint_32)height;
  image.format = PNG_FORMAT_RGB;
  int ok = png_image_write_to_stdio(&image, f, 0, rgb, 0, nullptr);
  png_image_free(&image);
  return ok != 0;
}

int report_png_page(FILE* err, const FileOutcome& o, std::string* written) {
  static char16_t name[REPORT_PNG_NAME_UNITS];
  written->clear();
  if (!report_png_name(name, o.position, o.path.w.c_str())) {
    std::fprintf(err, "velmora-report: %s: no picture, its name would be too long\n", o.path.shown.c_str());
    return 1;
  }
  const ReportPage* page = o.page;
  int32_t width, height;
  page_image_size(page, &width, &height);
  uint8_t* rgb = static_cast<uint8_t*>(std::malloc(3 * (size_t)width * (size_t)height));
  const char* problem = nullptr;
  static ReportNewFile picture;
  int opened = REPORT_FILE_FAILED;
  if (rgb == nullptr) problem = "no memory for the picture";
  else if (font_load_w(settings.font, 0.0, REPORT_PNG_FONT_PIXELS) != 0) problem = "the font cannot be loaded again";
  else if (page_image_render(page, rgb, width, height) != 0) problem = "the page cannot be rendered";
  else if ((opened = report_files_open(&picture, name, false)) != REPORT_FILE_DONE) problem = report_files_problem(opened, false);
  if (opened == REPORT_FILE_DONE) {
    bool whole = report_png_encode(picture.f, rgb, width, height);
    int closed = report_files_close(&picture, whole);
    if (closed != REPORT_FILE_DONE) problem = whole ? report_files_problem(closed, false) : "the picture cannot be written";
  }
  std::free(rgb);
  if (problem == nullptr) {
    *written = report_text_path(name);
    return 0;
  }
  std::fprintf(err, "velmora-report: cannot write %s: %s\n", report_text_path(name).c_str(), problem);
  return 1;
}
