// base64_test.cpp: base64 against its published vectors, and the alphabet's last two digits.
#include <gtest/gtest.h>

#include <string>

#include "text/base64.h"

TEST(Base64, PublishedVectorsAndTheLastDigits) {
  const char* const in[] = {"", "f", "fo", "foo", "foob", "fooba", "foobar", "\xFF\xFE"};
  const char* const out[] = {"", "Zg==", "Zm8=", "Zm9v", "Zm9vYg==", "Zm9vYmE=", "Zm9vYmFy", "//4="};
  for (int i = 0; i < 8; i++) {
    std::string s = "x";
    base64_append(s, in[i], std::string(in[i]).size());
    EXPECT_EQ(s, std::string("x") + out[i]) << in[i];
  }
}
