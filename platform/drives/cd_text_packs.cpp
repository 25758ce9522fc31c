#include "cd_text_packs.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <set>

namespace drives {

uint16_t CdTextPackCrc(const uint8_t *pack)
{
    uint16_t crc = 0;
    for (int i = 0; i < 16; ++i) {
        crc ^= static_cast<uint16_t>(pack[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return static_cast<uint16_t>(~crc);
}

namespace {

using Pack = std::array<uint8_t, kCdTextPackBytes>;

void Seal(Pack &pack)
{
    const uint16_t crc = CdTextPackCrc(pack.data());
    pack[16] = static_cast<uint8_t>(crc >> 8);
    pack[17] = static_cast<uint8_t>(crc);
}

// One block's text packs, numbered from 0; counts[type - 0x80] gets how many of each type.
std::vector<Pack> TextPacks(const CdTextBlock &block, int blockNumber, int firstTrack, int tracks,
                            std::array<uint8_t, 16> &counts)
{
    const bool doubleByte = block.charset == kCdTextMsJis;
    const size_t terminator = doubleByte ? 2 : 1;
    std::set<uint8_t> types;
    for (const CdTextItems &items : block.texts)
        for (const auto &[type, text] : items)
            if (type >= kCdTextTitle && type < kCdTextSizeInfo && type != 0x87 && type != 0x88 &&
                type != 0x89)
                types.insert(type);
    std::vector<Pack> packs;
    for (const uint8_t type : types) {
        // The texts of the disc and each track one after another, each ended by its terminator.
        std::string stream;
        std::vector<size_t> starts; // where entry t (0 the disc) begins
        for (int t = 0; t <= tracks; ++t) {
            starts.push_back(stream.size());
            if (static_cast<size_t>(t) < block.texts.size())
                if (const auto found = block.texts[static_cast<size_t>(t)].find(type);
                    found != block.texts[static_cast<size_t>(t)].end())
                    stream += found->second.substr(0, found->second.find('\0'));
            stream.append(terminator, '\0');
        }
        for (size_t at = 0; at < stream.size(); at += 12) {
            const size_t entry =
                static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), at) - starts.begin()) - 1;
            Pack pack{};
            pack[0] = type;
            pack[1] = static_cast<uint8_t>(entry == 0 ? 0 : firstTrack + static_cast<int>(entry) - 1);
            pack[2] = static_cast<uint8_t>(packs.size());
            const size_t before = (at - starts[entry]) / (doubleByte ? 2 : 1);
            pack[3] = static_cast<uint8_t>((doubleByte ? 0x80 : 0) | (blockNumber & 0x07) << 4 |
                                           std::min<size_t>(before, 15));
            std::memcpy(pack.data() + 4, stream.data() + at, std::min<size_t>(12, stream.size() - at));
            packs.push_back(pack);
            ++counts[type - 0x80];
        }
    }
    return packs;
}

} // namespace

std::vector<uint8_t> EncodeCdText(const std::vector<CdTextBlock> &blocks, int firstTrack, int lastTrack)
{
    const size_t count = std::min<size_t>(blocks.size(), 8);
    const int tracks = std::max(0, lastTrack - firstTrack + 1);
    std::vector<std::vector<Pack>> packsOf(count);
    std::vector<std::array<uint8_t, 16>> countsOf(count);
    std::array<uint8_t, 8> lastSequence{};
    std::array<uint8_t, 8> languages{};
    bool any = false;
    for (size_t b = 0; b < count; ++b) {
        countsOf[b].fill(0);
        packsOf[b] = TextPacks(blocks[b], static_cast<int>(b), firstTrack, tracks, countsOf[b]);
        any = any || !packsOf[b].empty();
        countsOf[b][0x0F] = 3;
        lastSequence[b] = static_cast<uint8_t>(packsOf[b].size() + 2);
        languages[b] = blocks[b].language;
    }
    std::vector<uint8_t> bytes;
    if (!any)
        return bytes;
    for (size_t b = 0; b < count; ++b) {
        std::array<uint8_t, 36> size{};
        size[0] = blocks[b].charset;
        size[1] = static_cast<uint8_t>(firstTrack);
        size[2] = static_cast<uint8_t>(lastTrack);
        std::copy(countsOf[b].begin(), countsOf[b].end(), size.begin() + 4);
        std::copy(lastSequence.begin(), lastSequence.end(), size.begin() + 20);
        std::copy(languages.begin(), languages.end(), size.begin() + 28);
        std::vector<Pack> &packs = packsOf[b];
        for (int part = 0; part < 3; ++part) {
            Pack pack{};
            pack[0] = kCdTextSizeInfo;
            pack[1] = static_cast<uint8_t>(part);
            pack[2] = static_cast<uint8_t>(packs.size());
            pack[3] = static_cast<uint8_t>((b & 0x07) << 4);
            std::copy(size.begin() + part * 12, size.begin() + part * 12 + 12, pack.begin() + 4);
            packs.push_back(pack);
        }
        for (Pack &pack : packs) {
            Seal(pack);
            bytes.insert(bytes.end(), pack.begin(), pack.end());
        }
    }
    return bytes;
}

} // namespace drives
