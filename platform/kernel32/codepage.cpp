// codepage.cpp -- Windows-1251, the code page of all 8-bit text, to Unicode and back
//
// The layer converts at its edges: message boxes and window titles (UTF-8 for SDL), fonts
// (Unicode for FreeType) and typed characters (UTF-8 from SDL to one 1251 byte).

#include "codepage.h"

namespace {

// Unicode of bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order. 0x98 has no character in
// the code page and passes through as the C1 control U+0098, as the platform converts it.
const char16_t HighHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

void append_utf8(std::string& out, char32_t ch)
{
    if (ch < 0x80) {
        out += static_cast<char>(ch);
    } else if (ch < 0x800) {
        out += static_cast<char>(0xC0 | (ch >> 6));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        out += static_cast<char>(0xE0 | (ch >> 12));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (ch >> 18));
        out += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    }
}

// Decodes one UTF-8 character at text[i], advancing i; malformed input gives U+FFFD.
char32_t next_utf8(const unsigned char* text, size_t& i)
{
    const unsigned char lead = text[i++];
    if (lead < 0x80)
        return lead;
    int extra = 0;
    char32_t ch = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        ch = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        ch = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        ch = lead & 0x07;
    } else {
        return 0xFFFD;
    }
    for (int k = 0; k < extra; ++k) {
        if ((text[i] & 0xC0) != 0x80)
            return 0xFFFD;  // a truncated sequence: the byte that broke it is read next
        ch = (ch << 6) | (text[i++] & 0x3F);
    }
    return ch;
}

}  // namespace

char32_t cp1251_to_unicode(unsigned char byte)
{
    if (byte < 0x80)
        return byte;
    if (byte >= 0xC0)
        return 0x0410 + (byte - 0xC0);
    return HighHalf[byte - 0x80];
}

int unicode_to_cp1251(char32_t ch)
{
    if (ch < 0x80)
        return static_cast<int>(ch);
    if (ch >= 0x0410 && ch <= 0x044F)
        return static_cast<int>(0xC0 + (ch - 0x0410));
    for (int i = 0; i < 64; ++i)
        if (HighHalf[i] == ch)
            return 0x80 + i;
    return -1;
}

std::string cp1251_to_utf8(const char* text, size_t length)
{
    std::string out;
    out.reserve(length * 2);
    for (size_t i = 0; i < length; ++i)
        append_utf8(out, cp1251_to_unicode(static_cast<unsigned char>(text[i])));
    return out;
}

std::string utf8_to_cp1251(const char* text)
{
    std::string out;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    while (bytes[i] != 0) {
        const int byte = unicode_to_cp1251(next_utf8(bytes, i));
        out += static_cast<char>(byte < 0 ? '?' : byte);
    }
    return out;
}

std::string ascii_lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}
