// vmd_walk.h: the one walk of a VMD motion file, shared by everything that reads one: the reader
// (vmd.h), the renaming copy (vmd_fit.h) and the pose engine's key loader and fold writer (pose/).
//
// The file's blocks are described once, in vmd_shapes: each block's record size, its checkpoint (the
// bytes a record must have for the file to be a motion at all) and its name field. The walk hands out
// every byte of the file, in order, as pieces: the signature, the model name, each block count, each
// record (whole or cut by the end of the file), and whatever follows the last block or the place where
// the structure broke off. A copy that writes every piece's bytes writes the file again.
//
// Alongside, the walk decides what the reader's result and end are (READ_DONE or READ_NOT_FORMAT, and
// where the file was cut); a consumer that does not care (the copies) walks on regardless.
#pragma once
#include <cstdint>

#include "formats/filechan.h"
#include "formats/read_end.h"

// The record layout, shared by the reader, the copies and the pose engine.
constexpr int VMD_SIGNATURE = 30;   // signature field: "Vocaloid Motion Data 0002" padded
constexpr int VMD_NAME = 15;        // bone and morph name fields
constexpr int VMD_MODEL = 20;       // model name field; also an IK switch's bone name
constexpr int VMD_BONE_KEY = 111;   // name, frame number, seven floats, 64 interpolation bytes
constexpr int VMD_MORPH_KEY = 23;   // name, frame number, weight
constexpr int VMD_CAMERA_KEY = 61;  // frame number, seven floats, 24 interpolation bytes, view angle, perspective
constexpr int VMD_LIGHT_KEY = 28;   // frame number, colour, position
constexpr int VMD_SHADOW_KEY = 9;   // frame number, mode, distance
constexpr int VMD_SHOW_IK_HEAD = 9; // frame number, show flag, IK switch count
constexpr int VMD_IK_SWITCH = 21;   // bone name, enabled flag
constexpr int VMD_HEADER = VMD_SIGNATURE + VMD_MODEL + 4;  // signature, model name, bone count
constexpr int VMD_MODEL_NAME = 21;  // the model name field: 20 bytes and a terminator

// A bone key's fields, by their offsets in the record (every record's name field is at 0).
constexpr int VMD_BONE_FRAME = VMD_NAME;               // frame number, 32 bits
constexpr int VMD_BONE_POSITION = VMD_BONE_FRAME + 4;  // x, y, z: three floats, the offset from rest
constexpr int VMD_BONE_ROTATION = VMD_BONE_POSITION + 12;  // x, y, z, w: four floats, a quaternion
constexpr int VMD_BONE_CURVES = VMD_BONE_ROTATION + 16;    // the interpolation bytes
constexpr int VMD_BONE_CURVE_BYTES = 64;
static_assert(VMD_BONE_CURVES + VMD_BONE_CURVE_BYTES == VMD_BONE_KEY, "the bone key's fields fill it");
// A morph key's fields.
constexpr int VMD_MORPH_FRAME = VMD_NAME;              // frame number, 32 bits
constexpr int VMD_MORPH_WEIGHT = VMD_MORPH_FRAME + 4;  // a float
static_assert(VMD_MORPH_WEIGHT + 4 == VMD_MORPH_KEY, "the morph key's fields fill it");
// A show-and-IK head's switch count: after its frame number and show flag.
constexpr int VMD_SHOW_IK_SWITCHES = 5;
static_assert(VMD_SHOW_IK_SWITCHES + 4 == VMD_SHOW_IK_HEAD, "the switch count ends the head");

// Whose names a record's name field holds.
enum VmdNames : int { VMD_NAMES_NONE = 0, VMD_NAMES_BONES = 1, VMD_NAMES_MORPHS = 2 };

// One kind of record.
struct VmdShape {
  ReadBlock block;  // the block it belongs to
  int size;        // bytes of a record
  int checkpoint;  // a record cut before this many bytes makes the file no motion (READ_NOT_FORMAT); a
                   // record cut after them ends the file where it is (0: every cut does)
  int name_size;   // bytes of the name field at the record's start (0: none)
  int names;       // a VmdNames
};

// The blocks after the header, in file order: bone keys, morph keys, camera keys, light keys, self-shadow
// keys, and the show-and-IK keys' heads (frame number, show flag, switch count), each head followed by
// its IK switches (vmd_ik_switch).
constexpr int VMD_BLOCKS = 6;
extern const VmdShape vmd_shapes[VMD_BLOCKS];
extern const VmdShape vmd_ik_switch;
constexpr int VMD_RECORD_MAX = VMD_BONE_KEY;  // the largest record

// The pieces of a file, in the order the walk hands them out.
enum VmdPiece : int {
  VMD_PIECE_SIGNATURE = 0,  // the 30-byte signature (fewer bytes when the file ends inside it)
  VMD_PIECE_MODEL,          // the 20-byte model name (fewer: the file ends inside it)
  VMD_PIECE_COUNT,          // a block's count (or a show-and-IK head's switch count is inside the head)
  VMD_PIECE_RECORD,         // one record of shape
  VMD_PIECE_TAIL,           // bytes after the last block, or after where the structure broke off
};

struct VmdStep {
  VmdPiece piece;
  const VmdShape* shape;   // the record's or the count's block shape (null for the header and the tail)
  unsigned char* bytes;    // the piece's bytes: writable (a copy renames its name fields in place), but for
                           // a walk over bytes in memory (vmd_walk_open_bytes), whose bytes are the caller's;
                           // valid until the next step
  int got;                 // how many there are: fewer than the shape's size when the file ends inside it
  int32_t index;           // a record's place in its block (an IK switch's: in its head's switches); a
                           // run's: its first record's
  int32_t count;           // the count of its block (an IK switch's: its head's switch count)
  int32_t records;         // a record piece's whole records, one after another at bytes: 1 (several when
                           // the walk hands out runs), or 0 for a record the file cuts
};

// The walk in progress, over the file the byte reader has open or over bytes in memory.
struct VmdWalk {
  int stage;            // where the walk is (private)
  int block;            // the block of vmd_shapes being walked (private)
  int32_t index, count; // the record to come and the block's count (private)
  int32_t head;         // the show-and-IK head whose switches are walked (private)
  int32_t switches;     // its switch count (private)
  const unsigned char* memory;  // the bytes walked instead of the byte reader's, or null (private)
  int64_t memory_size, memory_at;  // how many, and the next to hand out (private)
  unsigned char* keep;  // keeping: the memory the file is read into (private)
  int64_t keep_capacity;  // its bytes (private)
  bool filling;         // keeping: the byte reader may have more of the file (private)
  bool kept_whole;      // keeping: the whole file lies in memory (private)
  bool on_file;         // the walk has the byte reader open (private)
  bool runs;            // hand out the records of a block (but the show-and-IK keys) in runs: as many whole
                        // records in one piece as lie ready; set by the consumer after the walk opens
  bool signature_ok;    // the signature's checked bytes are "Voca" and "0002" (known after the first piece)
  int result;           // READ_DONE, or READ_NOT_FORMAT once the file is known to be no motion of this
                        // version (a wrong signature, or a record cut before its checkpoint)
  ReadEnd end;          // how the file ended, as the reader reports it (the first cut counts)
  unsigned char buf[FILECHAN_BUFFER];
};

// Opens the byte reader on the file p names (by the spelling it names) and starts a walk on it: true,
// or false (nothing to walk) when it does not open.
bool vmd_walk_open(VmdWalk* w, const OpenedPath& p);
// Starts a walk over size bytes at bytes, the first bytes of a file (a motion the reader kept, vmd.h):
// its pieces are those of a file that ends after them. The bytes must outlive the walk.
void vmd_walk_open_bytes(VmdWalk* w, const unsigned char* bytes, int64_t size);
// Starts a walk on the file the byte reader has open.
void vmd_walk_begin(VmdWalk* w);
// Right after the walk opens on a file: reads the file into memory (capacity bytes) as the walk goes and
// walks it there, so that once the walk has reached the file's end the whole file lies in memory, read
// once (vmd_walk_kept). False, and the walk goes on as it was, for a file that cannot go back to its
// start (a FIFO). A file of capacity bytes or more is walked on from the byte reader and is not kept.
bool vmd_walk_keep(VmdWalk* w, unsigned char* memory, int64_t capacity);
// The bytes of the file in memory when the walk has reached its end and all of it lies there, else -1.
int64_t vmd_walk_kept(const VmdWalk* w);
// Ends a walk: closes the byte reader (nothing for a walk over bytes).
void vmd_walk_close(VmdWalk* w);
// The next piece into *step; false when the file is walked to its end. A consumer may stop early (the
// reader stops at a wrong signature or as soon as result is READ_NOT_FORMAT); the walk itself goes on
// to the end of the file, handing out whatever follows as the tail.
bool vmd_walk_next(VmdWalk* w, VmdStep* step);
