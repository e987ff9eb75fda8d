// report_png.h: velmora-report's pictures. With --png DIR the tool writes every file's report page, after
// printing it, as the picture velmora.exe shows and saves with S (page_image.h: the same size, font,
// colours and blend) into DIR/NNNN-NAME.png: NNNN the file's position among the run's files from 0001
// (more digits past 9999), NAME the file argument's last part with its extension. A picture never
// replaces a file: a name already taken is reported and skipped.
//
// The PNG writer is libpng in both builds (Debian's natively, a static build of Debian's source for
// Windows), with zlib of the same version, so the two write the same bytes for the same page and font.
#pragma once
#include <cstdio>
#include <string>

#include "app/report_verdict.h"

#define REPORT_PNG_SYNOPSIS "[--png DIR [--font FILE]] "
#define REPORT_PNG_USAGE                                                                                   \
  "  --png DIR         also write each page as the picture velmora.exe saves with S, as DIR/NNNN-NAME.png\n" \
  "                    (NNNN the file's position from 0001); an existing file is never replaced\n"          \
  "  --font FILE       draw the pictures with FILE instead of mplus-2m-regular.ttf beside the program\n"

// Before the first file: loads the font (font, or mplus-2m-regular.ttf beside the program when font is
// null) and creates dir when it is missing (its last part only). 0 ready; 2 with a line on err when the
// font cannot be loaded or dir cannot be made.
int report_png_start(FILE* err, const char16_t* dir, const char16_t* font);

// After the check of a file o: renders the page o holds and writes it as DIR/NNNN-NAME.png (NNNN its
// position), creating the file exclusively, and puts its path (UTF-8) in *written. 0 written; 1 with a line on err naming the picture when it
// exists already, cannot be created or written, or the page cannot be rendered.
int report_png_page(FILE* err, const FileOutcome& o, std::string* written);
