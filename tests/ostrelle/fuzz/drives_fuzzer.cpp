// libFuzzer target: what the drive catalogue reads from the user, on arbitrary bytes: the drives
// list, the data files a cue sheet or a cdrdao TOC names, a cue sheet's silences and CD-Text file,
// and the QUAVREL_FAULTS text.

#include "drive_catalogue.h"
#include "list_parsers.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(bytes), size);

    // Every path is one whole line, absolute, and no longer than its line and the folder.
    for (const std::string &path : drives::ParseDriveList(text, "/base")) {
        if (path.empty() || path.front() != '/' || path.find('\n') != std::string::npos ||
            path.size() > size + 6)
            std::abort();
    }
    for (const bool cdrdao : {false, true}) {
        for (const std::string &name : drives::ImageDataFiles(text, cdrdao)) {
            if (name.empty() || name.find('\n') != std::string::npos || name.size() > size)
                std::abort();
        }
    }

    // A cue sheet's silences are whole positive lengths of tracks 1..99.
    for (const drives::CueGap &gap : drives::CueSheetGaps(text)) {
        if (gap.track < 1 || gap.track > 99 || gap.pregap < 0 || gap.postgap < 0 ||
            gap.pregap + gap.postgap == 0)
            std::abort();
    }
    if (drives::CueCdTextFile(text).find('\n') != std::string::npos)
        std::abort();

    // Whatever the text, the faults stay within what a disc can hold.
    if (const auto faults = drives::ParseFaults(text)) {
        for (const auto *sectors : {&faults->jitter, &faults->unreadable}) {
            if (!sectors->empty() && *sectors->begin() < 0)
                std::abort();
        }
        for (const drives::SenseFault &sense : faults->sense) {
            if (sense.key > 0x0F)
                std::abort();
        }
    }
    return 0;
}
