#pragma once
// The day this library was compiled, from the compiler's __DATE__ ("Jun  9 2003").

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform {

struct BuildDate {
    uint8_t day;
    uint8_t month;
    uint16_t year;
};

inline BuildDate TodaysBuildDate()
{
    static const char months[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    const char *date = __DATE__;
    const char *found = std::strstr(months, std::string(date, 3).c_str());
    return BuildDate{static_cast<uint8_t>(std::atoi(date + 4)),
                     static_cast<uint8_t>(found ? (found - months) / 3 + 1 : 0),
                     static_cast<uint16_t>(std::atoi(date + 7))};
}

} // namespace platform
