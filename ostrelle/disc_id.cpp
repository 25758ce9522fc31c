#include "disc_id.h"

#include <cstdio>

namespace ostrelle {
namespace {

uint32_t SecondsOf(const TTocEntry &entry)
{
    return entry.Minute * 60u + entry.Second;
}

uint32_t FramesOf(const TTocEntry &entry)
{
    return entry.Minute * 4500u + entry.Second * 75u + entry.Frame;
}

uint32_t DigitSum(uint32_t value)
{
    uint32_t sum = 0;
    for (; value > 0; value /= 10)
        sum += value % 10;
    return sum;
}

} // namespace

int TrackCountOf(const TCdToc &toc)
{
    return toc.Count < OSTRELLE_MAX_TRACKS ? toc.Count : OSTRELLE_MAX_TRACKS;
}

uint32_t DiscIdOf(const TCdToc &toc)
{
    const int n = TrackCountOf(toc);
    uint32_t checksum = 0;
    for (int i = 0; i < n; ++i)
        checksum += DigitSum(SecondsOf(toc.Tracks[i]));
    // The length is deliberately not masked: a lead-out before track 1 spills into the checksum
    // byte exactly as other CDDB clients compute it.
    const uint32_t length = SecondsOf(toc.LeadOut) - SecondsOf(toc.Tracks[0]);
    return (checksum % 255) << 24 | length << 8 | static_cast<uint32_t>(n);
}

std::string QueryCommandOf(const TCdToc &toc)
{
    const int n = TrackCountOf(toc);
    char head[48];
    std::snprintf(head, sizeof head, "cddb query %08X %d", DiscIdOf(toc), n);
    std::string command = head;
    for (int i = 0; i < n; ++i)
        command += ' ' + std::to_string(FramesOf(toc.Tracks[i]));
    command += ' ' + std::to_string(SecondsOf(toc.LeadOut));
    return command;
}

} // namespace ostrelle
