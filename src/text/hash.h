// hash.h: the one string hash of the program, FNV-1a (32 bits), for the open-addressing tables that
// look names up: the model's names, the advice's spelling keys, the fitted copy's renamings. Not a
// checksum and not for anything an attacker could exploit beyond a slower lookup: every table it
// serves probes to an empty slot and stays at most half full.
#pragma once
#include <cstdint>

constexpr uint32_t HASH_START = 2166136261u;  // FNV-1a's offset basis
constexpr uint32_t HASH_PRIME = 16777619u;    // FNV-1a's 32-bit prime

// The hash of len bytes at s.
inline uint32_t hash_bytes(const void* s, int len) {
  const unsigned char* p = static_cast<const unsigned char*>(s);
  uint32_t h = HASH_START;
  for (int i = 0; i < len; i++) h = (h ^ p[i]) * HASH_PRIME;
  return h;
}

// The hash of a 0-terminated string (its bytes before the 0).
inline uint32_t hash_text(const char* s) {
  uint32_t h = HASH_START;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p != 0; p++) h = (h ^ *p) * HASH_PRIME;
  return h;
}
