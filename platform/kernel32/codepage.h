// codepage.h -- Windows-1251, the code page of the layer's ANSI calls, to Unicode and back
// (codepage.cpp)
#pragma once

#include <cstddef>
#include <string>

// Windows-1251 bytes to UTF-8 and back; characters outside the code page become '?'.
std::string cp1251_to_utf8(const char* text, size_t length);
std::string utf8_to_cp1251(const char* text);
char32_t cp1251_to_unicode(unsigned char byte);
// The Windows-1251 byte of a character, or -1 when the code page has none.
int unicode_to_cp1251(char32_t ch);
// The text with A to Z in lower case and every other byte as it is: how names are matched
// without regard to case.
std::string ascii_lower(std::string text);
