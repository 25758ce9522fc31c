#include "sample_format.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace cdrip {
namespace {

constexpr int32_t kFramesPerSector = kRawSectorBytes / 4;

struct Layout {
    int32_t channels;
    int32_t decimation;
};

constexpr Layout kLayouts[kOutputFormatCount] = {{2, 1}, {1, 1}, {2, 2}, {1, 2}, {2, 4}, {1, 4}};

void PutSample(uint8_t *out, int32_t value)
{
    const auto sample = static_cast<uint16_t>(static_cast<int16_t>(value));
    out[0] = static_cast<uint8_t>(sample & 0xFF);
    out[1] = static_cast<uint8_t>(sample >> 8);
}

} // namespace

int32_t SectorBytes(int32_t format)
{
    const Layout layout = kLayouts[std::clamp(format, 0, kOutputFormatCount - 1)];
    return kFramesPerSector / layout.decimation * layout.channels * 2;
}

int32_t ConvertSector(const int16_t *raw, int32_t format, uint8_t *out)
{
    const Layout layout = kLayouts[std::clamp(format, 0, kOutputFormatCount - 1)];
    if (layout.channels == 2 && layout.decimation == 1) {
        std::memcpy(out, raw, kRawSectorBytes);
        return kRawSectorBytes;
    }
    uint8_t *cursor = out;
    for (int32_t frame = 0; frame < kFramesPerSector; frame += layout.decimation) {
        int32_t left = 0;
        int32_t right = 0;
        for (int32_t k = 0; k < layout.decimation; ++k) {
            left += raw[2 * (frame + k)];
            right += raw[2 * (frame + k) + 1];
        }
        if (layout.channels == 2) {
            PutSample(cursor, left / layout.decimation);
            PutSample(cursor + 2, right / layout.decimation);
            cursor += 4;
        } else {
            PutSample(cursor, (left + right) / (2 * layout.decimation));
            cursor += 2;
        }
    }
    return static_cast<int32_t>(cursor - out);
}

SampleRange SectorRange(const int16_t *sector)
{
    // A fixed count, branch-free: the compiler turns this into vector min/max.
    constexpr int32_t kSamples = kRawSectorBytes / 2;
    int16_t low = 0;
    int16_t high = 0;
    for (int32_t i = 0; i < kSamples; ++i) {
        low = sector[i] < low ? sector[i] : low;
        high = sector[i] > high ? sector[i] : high;
    }
    return {low, high};
}

void Normalize(int16_t *samples, int32_t count, double factor)
{
    for (int32_t i = 0; i < count; ++i) {
        const double scaled = std::round(samples[i] * factor);
        samples[i] = static_cast<int16_t>(std::clamp(scaled, -32768.0, 32767.0));
    }
}

} // namespace cdrip
