// sha256_test.cpp: SHA-256 against the published test vectors, at the lengths where the padding takes
// a second block (55, 56 and 64 bytes) and over a long input.
#include <gtest/gtest.h>

#include <string>

#include "text/sha256.h"

static std::string hex_of(const std::string& s) {
  unsigned char digest[SHA256_BYTES];
  sha256_of(s.data(), s.size(), digest);
  static const char DIGITS[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char b : digest) {
    hex += DIGITS[b >> 4];
    hex += DIGITS[b & 15];
  }
  return hex;
}

TEST(Sha256, PublishedVectorsAndThePaddingBoundaries) {
  EXPECT_EQ(hex_of(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(hex_of("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // 56 bytes: the length no longer fits the block, a second one is padded.
  EXPECT_EQ(hex_of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(hex_of(std::string(55, 'a')), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
  EXPECT_EQ(hex_of(std::string(64, 'a')), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
  EXPECT_EQ(hex_of(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}
