// filechan.cpp: the byte reader, the byte writer and the text reader (see filechan.h).
//
// Records: rf (byte reader), wf (byte writer), rs (text reader): one global instance each, written only
// here. All zeros means closed.
// Limits: 8,192-byte buffers; the position counters are 32-bit, as the formats' offsets are.
// Trust: the channels only move bytes; what a byte means is the reader's business. A read that meets the
// end or an error closes the channel, and the closed state is sticky until the next open.
#include "formats/filechan.h"

#include <cstdlib>
#include <cstring>

#include "sys/sys.h"

// ---- Byte reader ----------------------------------------------------------------------------------------

enum : uint8_t { CHAN_STREAM = 0, CHAN_HANDLE = 1 };

// Both modes deliver bytes from the reader's own buffer, refilled by one block read from the stream
// (fread) or the handle (ReadFile / read), so that the common path of rfgetc and rfread is a copy from
// memory, not a call into the runtime per byte. rfgetc and rfread refill 8,192 bytes; rfwindow keeps
// what is left at the front and fills the rest of the buffer, so that a reader that parses in place
// reads the file in 64 KiB blocks.
struct ByteReader {
  bool open;
  uint8_t mode;
  uint32_t position;  // bytes the caller has consumed
  FILE* stream;       // stream mode
  intptr_t handle;    // handle mode
  int fill, index;    // bytes in buf, next byte to deliver
  unsigned char buf[RF_WINDOW];
};
static_assert(RF_WINDOW >= FILECHAN_BUFFER, "a refill fits the buffer");
static ByteReader rf;
static char rf_stream_buf[FILECHAN_BUFFER];  // attached to the stream by rfopen

void rfclose() {
  if (!rf.open) return;
  if (rf.mode == CHAN_STREAM) std::fclose(rf.stream);
  else sys_close(rf.handle);
  rf.open = false;
  rf.stream = nullptr;
  rf.handle = SYS_NO_FILE;
  rf.fill = rf.index = 0;
}

static int rfopen_stream(const char* path, bool buffered) {
  rfclose();
  FILE* f = sys_fopen(path, "rb");
  if (f == nullptr) return -1;
  if (buffered && setvbuf(f, rf_stream_buf, _IOFBF, sizeof rf_stream_buf) != 0) {
    std::fclose(f);
    return -1;
  }
  rf.stream = f;
  rf.mode = CHAN_STREAM;
  rf.position = 0;
  rf.fill = rf.index = 0;
  rf.open = true;
  return 0;
}

static int rfopen_handle(const char16_t* path) {
  rfclose();
  intptr_t h = sys_open_read_w(path);
  if (h == SYS_NO_FILE) return -1;
  rf.handle = h;
  rf.mode = CHAN_HANDLE;
  rf.position = 0;
  rf.fill = rf.index = 0;
  rf.open = true;
  return 0;
}

int rfopen(const char* path) { return rfopen_stream(path, true); }
int rfopenW(const char16_t* path) { return rfopen_handle(path); }
int rfopenpath(const OpenedPath& p) {
  if (p.spelling == SPELLING_UTF16) return p.w != nullptr ? rfopenW(p.w) : -1;
  return p.ansi != nullptr ? rfopen(p.ansi) : -1;
}
int rfprobe(const char* path) { return rfopen_stream(path, false); }
int rfprobeW(const char16_t* path) { return rfopen_handle(path); }

// Reads up to count bytes from the file itself into out. Returns the bytes read; 0 at the end or on an
// error.
static int rfraw(unsigned char* out, int count) {
  if (rf.mode == CHAN_STREAM) return (int)std::fread(out, 1, (size_t)count, rf.stream);
  int got = 0;
  while (got < count) {
    int n = sys_read(rf.handle, out + got, count - got);
    if (n <= 0) break;
    got += n;
  }
  return got;
}

int rfgetc() {
  if (!rf.open) return -1;
  if (rf.index >= rf.fill) {
    int n = rfraw(rf.buf, FILECHAN_BUFFER);
    if (n <= 0) {
      rfclose();
      return -1;
    }
    rf.fill = n;
    rf.index = 0;
  }
  rf.position++;
  return rf.buf[rf.index++];
}

int rfread(void* buf, int count) {
  if (!rf.open || count <= 0) return 0;
  unsigned char* out = static_cast<unsigned char*>(buf);
  int have = rf.fill - rf.index;
  if (have >= count) {
    std::memcpy(out, rf.buf + rf.index, (size_t)count);
    rf.index += count;
    rf.position += (uint32_t)count;
    return count;
  }
  std::memcpy(out, rf.buf + rf.index, (size_t)have);
  int got = have;
  rf.fill = rf.index = 0;
  if (count - got >= FILECHAN_BUFFER) {
    // A large request goes straight from the file into the caller's memory.
    got += rfraw(out + got, count - got);
  } else {
    int n = rfraw(rf.buf, FILECHAN_BUFFER);
    if (n > 0) {
      int take = n < count - got ? n : count - got;
      std::memcpy(out + got, rf.buf, (size_t)take);
      rf.fill = n;
      rf.index = take;
      got += take;
    }
  }
  rf.position += (uint32_t)got;
  if (got < count) rfclose();
  return got;
}

int rfwindow(int want, unsigned char** bytes) {
  *bytes = nullptr;
  if (!rf.open) return 0;
  if (want > RF_WINDOW) want = RF_WINDOW;
  int have = rf.fill - rf.index;
  if (have < want) {
    // What is left goes to the front; the rest of the buffer is filled from the file. A read that
    // delivers less than asked has met the end of the file (or an error, which ends it the same way).
    std::memmove(rf.buf, rf.buf + rf.index, (size_t)have);
    rf.index = 0;
    rf.fill = have;
    int n = rfraw(rf.buf + have, RF_WINDOW - have);
    if (n > 0) rf.fill += n;
    have = rf.fill;
  }
  *bytes = rf.buf + rf.index;
  return have;
}

void rfadvance(int n) {
  rf.index += n;
  rf.position += (uint32_t)n;
}

// Bytes past the end read as 0xFF (rfgetc's -1), as the byte-by-byte reads always gave.
static void rfgetbytes(unsigned char* b, int n) {
  for (int i = 0; i < n; i++) b[i] = (unsigned char)rfgetc();
}

float rfgetfloat() {
  unsigned char b[4];
  rfgetbytes(b, 4);
  return rflefloat(b);
}

uint32_t rftell() { return rf.position; }
uint8_t rfclosed() { return rf.open ? 0 : CHAN_CLOSED; }

int rfseek(uint32_t position) {
  if (!rf.open) return RFSEEK_REFUSED;
  rf.fill = rf.index = 0;
  if (rf.mode == CHAN_STREAM) {
    if (std::fseek(rf.stream, (long)position, SEEK_SET) != 0) return RFSEEK_REFUSED;
  } else {
    if (sys_seek(rf.handle, position, 0) < 0) return RFSEEK_REFUSED;
  }
  rf.position = position;
  return RFSEEK_DONE;
}

int rfseekfrom(int32_t offset, int origin) {
  if (origin == RF_FROM_START) return rfseek((uint32_t)offset);
  if (origin == RF_FROM_HERE) return rfseek(rf.position + (uint32_t)offset);
  if (origin != RF_FROM_END) return RFSEEK_BAD_ORIGIN;
  if (!rf.open) return RFSEEK_NO_END;
  rf.fill = rf.index = 0;
  int64_t end;
  if (rf.mode == CHAN_STREAM) {
    if (std::fseek(rf.stream, offset, SEEK_END) != 0) return RFSEEK_NO_END;
    end = std::ftell(rf.stream);
  } else {
    end = sys_seek(rf.handle, offset, 2);
  }
  if (end < 0) return RFSEEK_NO_END;
  rf.position = (uint32_t)end;
  return RFSEEK_DONE;
}

// ---- Byte writer ----------------------------------------------------------------------------------------

struct ByteWriter {
  bool open;
  FILE* stream;
};
static ByteWriter wf;
static char wf_stream_buf[FILECHAN_BUFFER];

int wfclose() {
  if (!wf.open) return 0;
  int result = std::fclose(wf.stream) == 0 ? 0 : -1;
  wf.stream = nullptr;
  wf.open = false;
  return result;
}

static int wfattach(FILE* f) {
  if (f == nullptr) return -1;
  if (setvbuf(f, wf_stream_buf, _IOFBF, sizeof wf_stream_buf) != 0) {
    std::fclose(f);
    return -1;
  }
  wf.stream = f;
  wf.open = true;
  return 0;
}

int wfopen(const char* path) {
  wfclose();
  return wfattach(sys_fopen(path, "wb"));
}

int wfopenW(const char16_t* path) {
  wfclose();
  return wfattach(sys_fopen_w(path, "wb"));
}

int wfputc(int byte) {
  if (!wf.open) return -1;
  if (std::fputc(byte & 0xFF, wf.stream) == EOF) {
    wfclose();
    return -1;
  }
  return 0;
}

int wfput16(int value) {
  wfputc(value & 0xFF);
  wfputc((value >> 8) & 0xFF);
  return wfclosed();
}

int wfput32(int32_t value) {
  uint32_t v = (uint32_t)value;
  for (int i = 0; i < 4; i++) wfputc((int)((v >> (8 * i)) & 0xFF));
  return wfclosed();
}

uint8_t wfclosed() { return wf.open ? 0 : CHAN_CLOSED; }

// ---- Text reader ----------------------------------------------------------------------------------------

struct TextReader {
  bool open;
  bool exit_hooked; // rsclose registered for program exit
  uint8_t mode;
  int look;         // the look-ahead character, -1 at the end
  FILE* stream;
  intptr_t handle;
  int fill, index;
  unsigned char buf[FILECHAN_BUFFER];
};
static TextReader rs;

void rsclose() {
  if (!rs.open) return;
  if (rs.mode == CHAN_STREAM) std::fclose(rs.stream);
  else sys_close(rs.handle);
  rs.open = false;
  rs.stream = nullptr;
  rs.handle = SYS_NO_FILE;
}

static void rsexit() { rsclose(); }

// Next raw byte of the file, or -1 at its end or on an error.
static int rsraw() {
  if (!rs.open) return -1;
  if (rs.mode == CHAN_STREAM) {
    int c = std::fgetc(rs.stream);
    return c == EOF ? -1 : c;
  }
  if (rs.index >= rs.fill) {
    int n = sys_read(rs.handle, rs.buf, FILECHAN_BUFFER);
    if (n <= 0) return -1;
    rs.fill = n;
    rs.index = 0;
  }
  return rs.buf[rs.index++];
}

static void rsreset() {
  rs.look = -1;
  rs.fill = rs.index = 0;
}

static int rsstart() {
  if (!rs.exit_hooked) {
    std::atexit(rsexit);
    rs.exit_hooked = true;
  }
  rs.open = true;
  rs.look = rsraw();
  return 0;
}

int rsopen(const char* path) {
  rsclose();
  rsreset();
  FILE* f = sys_fopen(path, "rb");
  if (f == nullptr) return -1;
  rs.stream = f;
  rs.mode = CHAN_STREAM;
  return rsstart();
}

int rsopenW(const char16_t* path) {
  rsclose();
  rsreset();
  intptr_t h = sys_open_read_w(path);
  if (h == SYS_NO_FILE) return -1;
  rs.handle = h;
  rs.mode = CHAN_HANDLE;
  return rsstart();
}

int rspeek() { return rs.look; }

int rsgetc() {
  int c = rs.look;
  if (c < 0) return -1;
  rs.look = rsraw();
  return c;
}

int rsgets(char* buf, int size) {
  if (size <= 2) return 0;
  int n = 0;
  while (n < size - 2) {
    int c = rs.look;
    if (c < 0 || c == 13 || c == 10 || c == 26) break;
    buf[n++] = (char)rsgetc();
  }
  buf[n] = 0;
  buf[n + 1] = 0;
  while (rs.look == 13 || rs.look == 10 || rs.look == 26) rsgetc();
  return n;
}

int rsexists(const char* path) {
  int r = rsopen(path);
  rsclose();
  rsreset();
  return r == 0 ? 0 : -1;
}

int rsexistsW(const char16_t* path) {
  int r = rsopenW(path);
  rsclose();
  rsreset();
  return r == 0 ? 0 : -1;
}
