// report_files.h: the files velmora-report creates (pictures, fitted copies), written whole or not at
// all and never over an existing file: each is written under a temporary name in its own folder,
// flushed to the disk, and only then given its name, by a move that refuses to replace a file.
#pragma once
#include <cstdio>

constexpr int REPORT_FILE_UNITS = 1024;  // a created file's name; the seam takes fewer than 260 units

struct ReportNewFile {
  FILE* f;                             // the temporary file, open for writing; nullptr when not open
  bool replace;                        // the file may replace an earlier file of its name
  char16_t temp[REPORT_FILE_UNITS];    // its name
  char16_t name[REPORT_FILE_UNITS];    // the name it gets when it is whole
};

// Results of report_files_open and report_files_close.
enum ReportFileResult {
  REPORT_FILE_DONE = 0,     // open; or written and in place under its name
  REPORT_FILE_EXISTS = 1,   // the name is taken: nothing was written, or the copy was removed
  REPORT_FILE_FAILED = -1,  // it could not be created or written: nothing is left behind
};

// Opens a new temporary file beside name (REPORT_FILE_UNITS units at most, with the terminator) for the
// writer. REPORT_FILE_DONE (nf->f is open), REPORT_FILE_EXISTS when a file has the name already and
// replace is false (then nothing is created), REPORT_FILE_FAILED when no temporary file can be created
// there.
int report_files_open(ReportNewFile* nf, const char16_t* name, bool replace);
// Finishes the file: when whole is true and every write and the flush to the disk succeeded, moves
// it to its name, over an earlier file of that name only when it was opened to replace one.
// REPORT_FILE_DONE in place; REPORT_FILE_EXISTS when the name was taken meanwhile; REPORT_FILE_FAILED
// otherwise. On every result but REPORT_FILE_DONE the temporary file is removed, and an earlier file of
// the name stays as it was.
int report_files_close(ReportNewFile* nf, bool whole);

// Why a file was not written, for a message: "it exists" (with replaceable, where --replace would let
// it replace the file: "it exists (--replace writes over it)") or "it cannot be created or written".
const char* report_files_problem(int result, bool replaceable);

// Makes the folder a run writes its files into (its last part only) and keeps its name in kept
// (REPORT_FILE_UNITS units). 0, or 2 with a line on err when it cannot be made.
int report_files_dir(FILE* err, const char16_t* dir, char16_t* kept);
