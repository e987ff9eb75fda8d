// filechan.h: the three file channels: the byte reader (rf*), the byte writer (wf*) and the text
// reader with one character of look-ahead (rs*). Each is one global instance; opening it again closes
// what it had open. Readers open by ANSI path (runtime stream, stream mode) or by UTF-16 path
// (system handle, handle mode); the byte reader delivers from an 8,192-byte buffer of its own in both
// modes, refilled by block reads.
//
// A reader that meets the end of its file or a read error closes itself; the closed flag is sticky,
// and callers test it with rfclosed() at the points their format defines.
#pragma once
#include <cstdint>
#include <cstring>

constexpr int FILECHAN_BUFFER = 8192;  // read buffer, and the buffer attached to runtime streams
// The byte reader's buffer holds this much, filled whole only for rfwindow: a reader that parses
// records where they lie reads the file in blocks of this size, as a disk and a file cache deliver it
// best; rfgetc and rfread refill FILECHAN_BUFFER bytes at a time, as they always did.
constexpr int RF_WINDOW = 1 << 16;

// The closed flag of the byte reader and the byte writer: 0 while open, CHAN_CLOSED once closed.
constexpr uint8_t CHAN_CLOSED = 255;

// ---- Paths ----------------------------------------------------------------------------------------------

// Which spelling of a path opens its file: the ANSI one or the UTF-16 one (none: not known yet).
enum FileSpelling : int { SPELLING_NONE = 0, SPELLING_ANSI, SPELLING_UTF16 };

// A file as the readers and writers take it: both spellings of its path and the one to open it by.
// The strings are the caller's and must outlive every open made with it.
struct OpenedPath {
  const char* ansi;       // the ANSI spelling, or nullptr (none: it never opens)
  const char16_t* w;      // the UTF-16 spelling, or nullptr
  FileSpelling spelling;  // SPELLING_UTF16 opens by w; any other by ansi
};
// A path given in one spelling only.
inline OpenedPath rfpathA(const char* path) { return OpenedPath{path, nullptr, SPELLING_ANSI}; }
inline OpenedPath rfpathW(const char16_t* wpath) { return OpenedPath{nullptr, wpath, SPELLING_UTF16}; }

// ---- Byte reader --------------------------------------------------------------------------------------

// Opens for binary reading by ANSI path, with an 8,192-byte stream buffer. 0, or -1.
int rfopen(const char* path);
// Opens by UTF-16 path: reading, no sharing, existing file only. 0, or -1.
int rfopenW(const char16_t* path);
// Opens by the spelling p names: rfopenW for SPELLING_UTF16, else rfopen; a missing spelling does not
// open. 0, or -1.
int rfopenpath(const OpenedPath& p);
// The same opens without the stream buffer, to learn whether a path opens. 0, or -1.
int rfprobe(const char* path);
int rfprobeW(const char16_t* path);
// Closes and sets the closed flag; nothing when closed.
void rfclose();
// Next byte 0 to 255, or -1 at the end or on an error (the reader closes itself then).
int rfgetc();
// Copies up to count bytes into buf. Returns the bytes delivered; fewer than asked closes the reader;
// 0 when closed.
int rfread(void* buf, int count);
// The next bytes of the file in place, for a reader that parses records where they lie instead of
// copying them out: makes at least want bytes ready (want from 1 to RF_WINDOW) when the file has them,
// and points *bytes at what is ready. Returns how many bytes are ready: at least want, or fewer only when
// the file ends before (then all it has left); 0 when the reader is closed (*bytes is then null). The
// bytes are the reader's buffer: a caller may change them in place; they stay valid until the next call
// on the reader. Nothing is consumed and the reader never closes here: rfadvance consumes, and a record
// the file cuts is read with rfread as before, which closes the reader.
int rfwindow(int want, unsigned char** bytes);
// Consumes n bytes of those rfwindow made ready (0 <= n <= its result).
void rfadvance(int n);
// The readers' results (VMD, PMX and alias file).
enum ReadResult : int {
  READ_DONE = 0,        // read; a reader may have stopped early at a fault its format tolerates
  READ_UNOPENED = -1,   // the file cannot be opened
  READ_NOT_FORMAT = 2,  // not a file of the reader's format, or cut where the format allows no end
};

// Little-endian fields of bytes already read: the one decoder of every reader's multi-byte fields.
inline uint16_t rfle16(const unsigned char* p) { return (uint16_t)(p[0] | p[1] << 8); }
inline int32_t rfle32(const unsigned char* p) {
  return (int32_t)((uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24);
}
inline float rflefloat(const unsigned char* p) {
  uint32_t v = (uint32_t)rfle32(p);
  float f;
  std::memcpy(&f, &v, sizeof f);
  return f;
}

// Four rfgetc composed little-endian into a float; bytes past the end read as 0xFF.
float rfgetfloat();
// Bytes consumed so far (the file position as the caller sees it).
uint32_t rftell();
// 0 while open, CHAN_CLOSED once closed.
uint8_t rfclosed();

// The seeks' results and rfseekfrom's origins.
enum RfSeekResult : int {
  RFSEEK_DONE = 0,         // moved
  RFSEEK_REFUSED = -2,     // the reader is closed, or the system refuses the seek
  RFSEEK_NO_END = -4,      // from the end: the reader is closed, or the seek to the end fails
  RFSEEK_BAD_ORIGIN = -5,  // an origin other than the three below
};
enum RfSeekOrigin : int { RF_FROM_START = 0, RF_FROM_HERE = 1, RF_FROM_END = 2 };
// Absolute seek. RFSEEK_DONE or RFSEEK_REFUSED.
int rfseek(uint32_t position);
// Seek from an origin; from the end it sets the position counter to the file's size plus offset. As
// rfseek from the start and from here; RFSEEK_DONE or RFSEEK_NO_END from the end; RFSEEK_BAD_ORIGIN.
int rfseekfrom(int32_t offset, int origin);

// ---- Byte writer ----------------------------------------------------------------------------------------

// Creates or truncates for binary writing by ANSI path. 0, or -1.
int wfopen(const char* path);
// The same by UTF-16 path (the capture's fallback for names the ANSI code page cannot spell).
int wfopenW(const char16_t* path);
// One byte. 0, or -1 after a write error, which closes the writer.
int wfputc(int byte);
// Two or four wfputc, low byte first. Return the closed flag (0 or CHAN_CLOSED).
int wfput16(int value);
int wfput32(int32_t value);
// Closes (writing out the buffer) and sets the closed flag. 0, or -1 when the buffer could not be
// written out (a full disk shows here for a file shorter than the buffer); 0 when already closed.
int wfclose();
// 0 while open, CHAN_CLOSED once closed.
uint8_t wfclosed();

// ---- Text reader ---------------------------------------------------------------------------------------

// Opens by ANSI or UTF-16 path and reads the first character into the look-ahead. 0, or -1.
int rsopen(const char* path);
int rsopenW(const char16_t* path);
// The look-ahead character 0 to 255, or -1 at the end.
int rspeek();
// Returns the look-ahead and reads the next. -1 at the end.
int rsgetc();
// One line without its CR, LF or 26: at most size - 2 characters, then two 0 bytes; then every CR, LF and
// 26 that follows is consumed. Stores nothing and returns 0 when size is 2 or less. Returns the
// characters stored.
int rsgets(char* buf, int size);
void rsclose();
// Closes the text reader, opens path and closes it again: 0 if it opened, -1 otherwise.
int rsexists(const char* path);
int rsexistsW(const char16_t* path);
