#pragma once
// The parameter record of one drive: its defaults, what a caller may set, and its fields by name
// for the settings file.

#include "cdrip_types.h"

#include <span>
#include <string>

namespace cdrip {

// Defaults: 26 sectors a chunk, fastest speed, jitter correction on, stereo 44100 Hz,
// 20 retries, a generic little-endian MMC drive.
TCDRomParams DefaultParams(const std::string &driveDescription, bool atapi);

// True when every interpreted field is in range (chunk size, output format, retries, mode).
bool IsValid(const TCDRomParams &params);

// Copies size bytes of source over target, except the drive identification text.
void Assign(TCDRomParams &target, const TCDRomParams &source, size_t size);

// The settings file's keys: every byte from offset 256 to the end, by field.
struct ParamField {
    const char *name;
    size_t offset;
    size_t size; // 1, 3 or 4 bytes, little-endian
};
std::span<const ParamField> ParamFields();

// True when value fits the field's width (a 32-bit field takes signed and unsigned values).
bool FitsField(const ParamField &field, int64_t value);
int64_t ReadField(const TCDRomParams &params, const ParamField &field);
void WriteField(TCDRomParams &params, const ParamField &field, int64_t value);

} // namespace cdrip
