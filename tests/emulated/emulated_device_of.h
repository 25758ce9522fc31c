#pragma once
// For test programs that also run on emulated drives instead of images: the device that
// QUAVREL_EMULATED_DRIVES gives the image, so that "the drive holding this image" finds it.

#include <cstdlib>
#include <string>
#include <string_view>

namespace emulatedtest {

// The device path of the emulated drive holding image; "" when there is none.
inline std::string EmulatedDeviceOf(const std::string &image)
{
    const char *text = std::getenv("QUAVREL_EMULATED_DRIVES");
    std::string_view entries = text ? text : "";
    while (!entries.empty()) {
        const size_t end = std::min(entries.find(';'), entries.size());
        const std::string_view entry = entries.substr(0, end);
        const size_t equals = entry.find('=');
        const std::string_view held =
            equals == std::string_view::npos ? "" : entry.substr(equals + 1, entry.find(',') - equals - 1);
        if (held == image)
            return std::string(entry.substr(0, equals));
        entries.remove_prefix(std::min(end + 1, entries.size()));
    }
    return {};
}

} // namespace emulatedtest
