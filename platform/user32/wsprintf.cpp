// wsprintf.cpp -- wsprintfA: user32's own small formatter
//
// It is not printf: no floating point, no '*', at most 1024 bytes of output (1023 characters
// and the terminating zero), numbers are 32 bits, an unknown conversion prints its character.

#include <cstdarg>
#include <cstring>

#include "windows.h"

namespace {

constexpr int OutputLimit = 1024;

struct Output {
    char* buffer;
    int length = 0;
    void put(char c)
    {
        if (length < OutputLimit - 1)
            buffer[length++] = c;
    }
    void repeat(char c, int count)
    {
        for (int i = 0; i < count; ++i)
            put(c);
    }
};

struct Conversion {
    bool left = false;
    bool zero = false;
    bool prefix = false;
    int width = 0;
    int precision = -1;
};

void put_padded(Output& out, const Conversion& conversion, const char* sign, const char* digits, int digitCount)
{
    const int signLength = static_cast<int>(strlen(sign));
    const int zeros = conversion.precision > digitCount ? conversion.precision - digitCount : 0;
    const int body = signLength + zeros + digitCount;
    const int pad = conversion.width > body ? conversion.width - body : 0;
    if (!conversion.left && !conversion.zero)
        out.repeat(' ', pad);
    for (int i = 0; i < signLength; ++i)
        out.put(sign[i]);
    if (!conversion.left && conversion.zero)
        out.repeat('0', pad);  // zero padding goes after the sign: -05
    out.repeat('0', zeros);
    for (int i = 0; i < digitCount; ++i)
        out.put(digits[i]);
    if (conversion.left)
        out.repeat(' ', pad);
}

void put_number(Output& out, const Conversion& conversion, uint32_t magnitude, bool negative, unsigned base,
                bool upper)
{
    char digits[16];
    int count = 0;
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
        digits[count++] = set[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0);
    char reversed[16];
    for (int i = 0; i < count; ++i)
        reversed[i] = digits[count - 1 - i];
    const char* sign = negative ? "-" : "";
    if (conversion.prefix && base == 16)
        sign = upper ? "0X" : "0x";
    put_padded(out, conversion, sign, reversed, count);
}

// Reads the flags, width, precision and size prefixes after a '%', leaving f on the conversion
// character.
Conversion parse_conversion(const char*& f)
{
    Conversion conversion;
    for (;; ++f) {
        if (*f == '-')
            conversion.left = true;
        else if (*f == '0')
            conversion.zero = true;
        else if (*f == '#')
            conversion.prefix = true;
        else
            break;
    }
    while (*f >= '0' && *f <= '9')
        conversion.width = conversion.width * 10 + (*f++ - '0');
    if (*f == '.') {
        ++f;
        conversion.precision = 0;
        while (*f >= '0' && *f <= '9')
            conversion.precision = conversion.precision * 10 + (*f++ - '0');
    }
    while (*f == 'h' || *f == 'l')
        ++f;  // size prefixes: every number is 32 bits, every character 8
    return conversion;
}

// Characters and strings take width and the left flag; a string also takes precision as its
// longest length.
void put_text(Output& out, const Conversion& conversion, const char* text, int length)
{
    Conversion plain = conversion;
    plain.zero = false;
    plain.precision = -1;
    put_padded(out, plain, "", text, length);
}

// Writes one conversion, taking its argument.
void put_conversion(Output& out, const Conversion& conversion, char type, va_list* args)
{
    switch (type) {
    case 'd':
    case 'i': {
        const int32_t value = va_arg(*args, int32_t);
        const uint32_t magnitude =
            value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
        put_number(out, conversion, magnitude, value < 0, 10, false);
        break;
    }
    case 'u':
        put_number(out, conversion, va_arg(*args, uint32_t), false, 10, false);
        break;
    case 'x':
    case 'X':
        put_number(out, conversion, va_arg(*args, uint32_t), false, 16, type == 'X');
        break;
    case 'c':
    case 'C': {
        const char c = static_cast<char>(va_arg(*args, int));
        put_text(out, conversion, &c, 1);
        break;
    }
    case 's':
    case 'S': {
        const char* text = va_arg(*args, const char*);
        if (!text)
            text = "(null)";
        int length = static_cast<int>(strnlen(text, OutputLimit));
        if (conversion.precision >= 0 && conversion.precision < length)
            length = conversion.precision;
        put_text(out, conversion, text, length);
        break;
    }
    default:
        out.put(type);  // an unknown conversion drops the '%' and prints the character
        break;
    }
}

}  // namespace

int wsprintfA(LPSTR buffer, LPCSTR format, ...)
{
    if (!buffer || !format)
        return 0;
    Output out{buffer};
    va_list args;
    va_start(args, format);
    const char* f = format;
    while (*f) {
        if (*f != '%') {
            out.put(*f++);
            continue;
        }
        ++f;
        if (*f == '%') {
            out.put(*f++);
            continue;
        }
        const Conversion conversion = parse_conversion(f);
        const char type = *f;
        if (type == 0)
            break;
        ++f;
        put_conversion(out, conversion, type, &args);
    }
    va_end(args);
    buffer[out.length] = 0;
    return out.length;
}
