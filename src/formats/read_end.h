// read_end.h: how a reader's file ended, beside its result code (which the page's rules fix and which
// says nothing of a file cut where the format tolerates an end): whole, or cut inside which block,
// after how many of the records its count declares; for a model, also a structural fault that stopped
// the walk.
#pragma once
#include <cstdint>

enum ReadBlock : int {
  BLOCK_NONE = 0,  // the file is whole, or ended at a block boundary where older files end
  BLOCK_HEADER,    // a motion: signature, model name and bone count; a model: up to the model texts
  BLOCK_BONE_KEYS,
  BLOCK_MORPH_KEYS,
  BLOCK_CAMERA_KEYS,
  BLOCK_LIGHT_KEYS,
  BLOCK_SHADOW_KEYS,
  BLOCK_IK_KEYS,
  BLOCK_VERTICES,
  BLOCK_FACES,
  BLOCK_TEXTURES,
  BLOCK_MATERIALS,
  BLOCK_BONES,
  BLOCK_MORPHS,
  BLOCK_FRAMES,
  BLOCK_BODIES,
  BLOCK_JOINTS,
  BLOCK_KINDS
};

// The blocks' names, as velmora-report prints them.
inline const char* read_block_name(ReadBlock block) {
  static const char* const NAMES[] = {
      "",         "header", "bone keys", "morph keys", "camera keys", "light keys", "shadow keys", "ik keys",
      "vertices", "faces",  "textures",  "materials",  "bones",       "morphs",     "display frames",
      "rigid bodies", "joints"};
  static_assert(sizeof NAMES / sizeof NAMES[0] == BLOCK_KINDS, "a name for every block");
  return block > 0 && block < BLOCK_KINDS ? NAMES[block] : "";
}

struct ReadEnd {
  ReadBlock block;    // BLOCK_NONE when the file is whole
  int64_t read;       // the block's records read whole (the motion's header: its bytes)
  int64_t declared;   // the records its count declares (the motion's header: 54 bytes); -1 when the file
                      // ended before the count
  const char* fault;  // a model's structural fault that stopped the walk, or nullptr
};
