#pragma once
// Windows-1252: the 8-bit text of CDDB servers and of the system's C interfaces. The bytes the code
// page leaves undefined stand for the C1 control characters of the same value, so that any byte
// string survives a round trip through Unicode.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

inline constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The Unicode character of one Windows-1252 byte.
inline char16_t Windows1252Char(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : char16_t(byte);
}

// The Windows-1252 byte of a character, or -1 when the code page cannot write it.
inline int Windows1252Byte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (size_t i = 0; i < std::size(kWindows1252High); ++i)
        if (kWindows1252High[i] == c)
            return static_cast<int>(0x80 + i);
    return -1;
}

// Windows-1252 text as UTF-8.
inline std::string Windows1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (const char byte : text) {
        const char16_t c = Windows1252Char(static_cast<unsigned char>(byte));
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace platform
