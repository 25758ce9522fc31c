#include "quavrel/disc/msf.h"

#include <algorithm>

namespace {

constexpr int32_t kFramesPerSecond = 75;
constexpr int32_t kFramesPerMinute = 4500;
constexpr int32_t kLeadInFrames = 150;
// The largest value the 8-bit fields hold.
constexpr int64_t kMaxFrames = 255LL * kFramesPerMinute + 59 * kFramesPerSecond + 74;

uint32_t Pack(int64_t frames)
{
    const auto count = static_cast<uint32_t>(std::clamp<int64_t>(frames, 0, kMaxFrames));
    const uint32_t minutes = count / kFramesPerMinute;
    const uint32_t seconds = (count / kFramesPerSecond) % 60;
    const uint32_t rest = count % kFramesPerSecond;
    return (minutes << 16) | (seconds << 8) | rest;
}

} // namespace

int32_t MSFToLBA(uint32_t Msf)
{
    const auto minutes = static_cast<int32_t>((Msf >> 16) & 0xFF);
    const auto seconds = static_cast<int32_t>((Msf >> 8) & 0xFF);
    const auto frames = static_cast<int32_t>(Msf & 0xFF);
    return minutes * kFramesPerMinute + seconds * kFramesPerSecond + frames - kLeadInFrames;
}

uint32_t LBAToMSF(int32_t Sector)
{
    return Pack(int64_t{Sector} + kLeadInFrames);
}

uint32_t FramesToMSF(int32_t Count)
{
    return Pack(Count);
}
