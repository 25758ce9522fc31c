// libFuzzer target: the AccurateRip database's answer (a dBAR file) on arbitrary bytes, and the
// verdicts taken from what it gave. A file read is exactly its pressings laid end to end, each
// with at least one track; no verdict reads past a pressing's tracks.

#include "quavrel/engine/verify/accuraterip_database.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(bytes), static_cast<qsizetype>(size));
    const auto pressings = ParseAccurateRipFile(input);
    if (!pressings)
        return 0;
    size_t laid = 0;
    for (const AccurateRipPressing &pressing : *pressings) {
        if (pressing.Tracks.empty() || pressing.Tracks.size() > 255)
            std::abort();
        laid += 13 + 9 * pressing.Tracks.size();
    }
    if (pressings->empty() || laid != size)
        std::abort();
    const AccurateRipEntry &first = pressings->front().Tracks.front();
    for (const int index : {-1, 0, 1, 99, 256}) {
        const AccurateRipVerdict verdict =
            VerifyTrack(*pressings, index, first.Checksum, first.Frame450Checksum);
        if (verdict.Confidence < 0 || verdict.Confidence > 255 || VerdictText(verdict).isEmpty())
            std::abort();
        if (index == 1 && verdict.Result != AccurateRipResult::Exact)
            std::abort();
    }
    return 0;
}
