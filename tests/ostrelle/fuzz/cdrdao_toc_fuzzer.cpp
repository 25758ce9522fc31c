// libFuzzer target: the cdrdao TOC reader on arbitrary text, and the CD-Text packs made of what it
// read.

#include "cd_text_packs.h"
#include "cdrdao_toc.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    std::string error;
    const auto toc =
        drives::ParseCdrdaoToc(std::string_view(reinterpret_cast<const char *>(bytes), size), error);
    if (!toc) {
        if (error.empty())
            std::abort();
        return 0;
    }
    if (toc->tracks.empty() || toc->tracks.size() > 99 ||
        (!toc->catalog.empty() && toc->catalog.size() != 13))
        std::abort();
    std::vector<drives::CdTextBlock> blocks;
    for (const auto &disc : toc->cdText) {
        drives::CdTextBlock block;
        block.charset = disc.charset.value_or(0);
        block.texts.push_back(disc.items);
        for (const drives::CdrdaoTrack &track : toc->tracks) {
            if (track.data.empty() || (!track.isrc.empty() && track.isrc.size() != 12))
                std::abort();
            block.texts.emplace_back();
            for (const auto &[number, items] : track.cdText)
                if (number == disc.number)
                    block.texts.back() = items;
        }
        blocks.push_back(std::move(block));
    }
    const std::vector<uint8_t> packs = drives::EncodeCdText(blocks, 1, static_cast<int>(toc->tracks.size()));
    if (packs.size() % drives::kCdTextPackBytes != 0)
        std::abort();
    for (size_t at = 0; at < packs.size(); at += drives::kCdTextPackBytes) {
        const uint16_t crc = drives::CdTextPackCrc(packs.data() + at);
        if (packs[at + 16] != (crc >> 8) || packs[at + 17] != (crc & 0xFF))
            std::abort();
    }
    return 0;
}
