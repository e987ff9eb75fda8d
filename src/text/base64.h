// base64.h: bytes as base64 text (the standard alphabet, "=" padding), for the hashes the library
// page's Content-Security-Policy names.
#pragma once
#include <cstddef>
#include <string>

// The n bytes at p as base64, appended to out: four characters per three bytes, the last group padded
// with "=".
void base64_append(std::string& out, const void* p, size_t n);
