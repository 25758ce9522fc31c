#include "quavrel/engine/pipeline/read_offset.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int64_t kSampleBytes = 4;

int64_t FloorDiv(int64_t a, int64_t b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

bool OffsetWindow::Plan(int32_t FirstSector, int32_t LastSector, const ReadOffset &Offset)
{
    const int64_t shift = int64_t{Offset.Samples} * kSampleBytes;
    const int64_t wantStart = FirstSector * kSectorBytes + shift;
    const int64_t wantEnd = (int64_t{LastSector} + 1) * kSectorBytes + shift;
    int64_t readStart = wantStart;
    int64_t readEnd = wantEnd;
    if (Offset.Samples != 0) {
        readStart = std::max(wantStart, Offset.DiscFirst * kSectorBytes);
        readEnd = std::min(wantEnd, Offset.DiscEnd * kSectorBytes);
    }
    if (readEnd <= readStart)
        return false;
    readFirst_ = static_cast<int32_t>(FloorDiv(readStart, kSectorBytes));
    readLast_ = static_cast<int32_t>(FloorDiv(readEnd - 1, kSectorBytes));
    leadSilence_ = readStart - wantStart;
    skip_ = readStart - readFirst_ * kSectorBytes;
    wanted_ = readEnd - readStart;
    tailSilence_ = wantEnd - readEnd;
    return true;
}

bool OffsetWindow::Silence(int64_t Bytes, const Emit &Out)
{
    static const std::vector<uint8_t> zeros(64 * 1024);
    while (Bytes > 0) {
        const auto n = static_cast<size_t>(std::min<int64_t>(Bytes, static_cast<int64_t>(zeros.size())));
        if (!Out(zeros.data(), n))
            return false;
        Bytes -= static_cast<int64_t>(n);
    }
    return true;
}

bool OffsetWindow::Start(const Emit &Out)
{
    const int64_t lead = leadSilence_;
    leadSilence_ = 0;
    return Silence(lead, Out);
}

bool OffsetWindow::Chunk(const uint8_t *Pcm, size_t Bytes, const Emit &Out)
{
    auto available = static_cast<int64_t>(Bytes);
    const int64_t skipped = std::min(skip_, available);
    skip_ -= skipped;
    available -= skipped;
    const int64_t used = std::min(available, wanted_);
    wanted_ -= used;
    return used == 0 || Out(Pcm + skipped, static_cast<size_t>(used));
}

bool OffsetWindow::Finish(const Emit &Out)
{
    const int64_t tail = tailSilence_;
    tailSilence_ = 0;
    return Silence(tail, Out);
}
