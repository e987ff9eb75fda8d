// sha256.h: SHA-256 of a byte string, for the library page's Content-Security-Policy, which names its
// inline style and script by the hash of their bytes. Not used for anything secret: the hashed bytes are
// the program's own.
#pragma once
#include <cstddef>

constexpr int SHA256_BYTES = 32;  // a digest

// The SHA-256 digest of the n bytes at p into digest (SHA256_BYTES bytes).
void sha256_of(const void* p, size_t n, unsigned char* digest);
