#include "drive_params.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace cdrip {
namespace {

constexpr ParamField kFields[] = {
    {"ChunkSectors", 256, 4}, {"Option260", 260, 4},        {"LockDuringRip", 264, 4},
    {"Option268", 268, 4},    {"Option272", 272, 4},        {"Speed", 276, 4},
    {"Option280", 280, 4},    {"JitterCorrection", 284, 4}, {"Option288", 288, 4},
    {"DriveType", 292, 4},    {"ReadMethod", 296, 4},       {"SetSpeed", 300, 4},
    {"Endian", 304, 4},       {"EnableMode", 308, 4},       {"Density", 312, 4},
    {"Atapi", 316, 4},        {"Option320", 320, 4},        {"Option324", 324, 3},
    {"OutputFormat", 327, 1}, {"Option328", 328, 4},        {"ReadRetries", 332, 4},
    {"Option336", 336, 4},    {"Option340", 340, 4},        {"Option344", 344, 4},
    {"Option348", 348, 4},    {"UseParanoiaMode", 352, 4},  {"ParanoiaMode", 356, 4},
};

} // namespace

TCDRomParams DefaultParams(const std::string &driveDescription, bool atapi)
{
    TCDRomParams params{};
    std::strncpy(params.DriveId, driveDescription.c_str(), sizeof(params.DriveId) - 1);
    params.ChunkSectors = kDefaultChunkSectors;
    params.JitterCorrection = -1;
    params.DriveTable[kDriveTableSetSpeed] = kSetSpeedMmc;
    params.DriveTable[kDriveTableEndian] = kEndianLittle;
    params.DriveTable[kDriveTableAtapi] = atapi ? 1 : 0;
    params.ReadRetries = kDefaultReadRetries;
    return params;
}

bool IsValid(const TCDRomParams &params)
{
    return params.ChunkSectors >= 1 && params.ChunkSectors <= kMaxChunkSectors && params.OutputFormat <= 5 &&
           params.ReadRetries >= 0 && params.ReadRetries <= 1000 && params.ParanoiaMode >= 0 &&
           params.ParanoiaMode <= 0xFF;
}

void Assign(TCDRomParams &target, const TCDRomParams &source, size_t size)
{
    size = std::min(size, sizeof(TCDRomParams));
    const size_t idSize = sizeof(target.DriveId);
    if (size > idSize)
        std::memcpy(reinterpret_cast<char *>(&target) + idSize,
                    reinterpret_cast<const char *>(&source) + idSize, size - idSize);
}

std::span<const ParamField> ParamFields()
{
    return kFields;
}

bool FitsField(const ParamField &field, int64_t value)
{
    if (field.size == 4)
        return value >= INT32_MIN && value <= UINT32_MAX;
    return value >= 0 && value < (int64_t{1} << (8 * field.size));
}

int64_t ReadField(const TCDRomParams &params, const ParamField &field)
{
    const auto *bytes = reinterpret_cast<const uint8_t *>(&params) + field.offset;
    uint32_t value = 0;
    for (size_t i = 0; i < field.size; ++i)
        value |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    // 32-bit fields are signed; narrower ones are plain bytes.
    return field.size == 4 ? static_cast<int64_t>(static_cast<int32_t>(value)) : static_cast<int64_t>(value);
}

void WriteField(TCDRomParams &params, const ParamField &field, int64_t value)
{
    auto *bytes = reinterpret_cast<uint8_t *>(&params) + field.offset;
    const auto bits = static_cast<uint32_t>(value);
    for (size_t i = 0; i < field.size; ++i)
        bytes[i] = static_cast<uint8_t>((bits >> (8 * i)) & 0xFF);
}

} // namespace cdrip
