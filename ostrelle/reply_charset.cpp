#include "reply_charset.h"

#include "windows1252.h"

#include <cstdint>

namespace ostrelle {
namespace {

bool NamesUtf8(std::string_view charset)
{
    return charset == "utf-8" || charset == "utf8";
}

bool NamesWindows1252(std::string_view charset)
{
    // Latin-1 as the Web reads it: Windows-1252, its superset in printable characters.
    for (std::string_view name : {"iso-8859-1", "iso8859-1", "iso_8859-1", "latin1", "latin-1", "l1",
                                  "windows-1252", "cp1252", "us-ascii", "ascii"})
        if (charset == name)
            return true;
    return false;
}

// Length of the well-formed UTF-8 sequence at text[at] and its code point; 0 when there is none.
size_t Utf8Sequence(std::string_view text, size_t at, char32_t &codePoint)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    size_t length = 0;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    const char32_t minimum = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    codePoint = value;
    return length;
}

std::string Utf8ToWindows1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            out += text[i++];
            continue;
        }
        char32_t codePoint = 0;
        const size_t length = Utf8Sequence(text, i, codePoint);
        if (length == 0) {
            out += text[i++];
            continue;
        }
        const int byte =
            codePoint <= 0xFFFF ? platform::Windows1252Byte(static_cast<char16_t>(codePoint)) : -1;
        out += byte < 0 ? '?' : static_cast<char>(byte);
        i += length;
    }
    return out;
}

} // namespace

TTextEncoding EncodingOfLevel(int protocolLevel)
{
    return protocolLevel >= 6 ? TTextEncoding::Utf8 : TTextEncoding::Windows1252;
}

std::string ToRecordText(std::string_view text, std::string_view charset, TTextEncoding target)
{
    if (NamesUtf8(charset) && target == TTextEncoding::Windows1252)
        return Utf8ToWindows1252(text);
    if (NamesWindows1252(charset) && target == TTextEncoding::Utf8)
        return platform::Windows1252ToUtf8(text);
    return std::string(text);
}

std::string FromUtf8(std::string_view text, TTextEncoding target)
{
    return target == TTextEncoding::Utf8 ? std::string(text) : Utf8ToWindows1252(text);
}

} // namespace ostrelle
