// libFuzzer target: the emulated drives' list (QUAVREL_EMULATED_DRIVES, drive_spec.h) and the
// virtual drives' fault syntax it embeds (drives::ParseFaults), on arbitrary text. Either refuses
// with a reason or gives values within the bounds the syntax promises.

#include "drive_spec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckFaults(const drives::Faults &faults)
{
    Check(faults.slowMs >= 0);
    for (const std::set<int32_t> *sectors : {&faults.jitter, &faults.unreadable})
        Check(sectors->empty() || *sectors->begin() >= 0);
    for (const drives::SenseFault &sense : faults.sense)
        Check(sense.key <= 0x0F);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    std::string error;
    if (const auto specs = emulated::ParseDriveSpecs(text, &error)) {
        for (const emulated::DriveSpec &spec : *specs) {
            Check(!spec.device.empty() && !spec.image.empty());
            Check(spec.speed >= 0 && spec.speed <= 255 && spec.cacheSectors >= 0 &&
                  spec.cacheSectors <= 100'000);
            Check(spec.SeekMs() >= 0 && spec.offset > -100'000 && spec.offset < 100'000);
            Check(spec.c2.empty() || *spec.c2.begin() >= 0);
            for (const emulated::DamageFault &fault : spec.damage) {
                Check(!fault.sectors.empty() && fault.bytesPerRead >= 1 && fault.bytesPerRead <= 2352);
                for (const emulated::SectorRange &range : fault.sectors)
                    Check(range.first >= 0 && range.first <= range.last && range.Holds(range.last));
            }
            CheckFaults(spec.faults);
        }
    } else {
        Check(!error.empty());
    }
    error.clear();
    if (const auto faults = drives::ParseFaults(text, &error))
        CheckFaults(*faults);
    else
        Check(!error.empty());
    return 0;
}
