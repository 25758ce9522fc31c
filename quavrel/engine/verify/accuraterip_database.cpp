#include "quavrel/engine/verify/accuraterip_database.h"

#include <algorithm>

namespace {

uint32_t LittleEndian32(const char *p)
{
    const auto *b = reinterpret_cast<const uint8_t *>(p);
    return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

constexpr qsizetype kHeaderBytes = 13;
constexpr qsizetype kEntryBytes = 9;

} // namespace

std::optional<std::vector<AccurateRipPressing>> ParseAccurateRipFile(const QByteArray &Bytes)
{
    std::vector<AccurateRipPressing> pressings;
    qsizetype at = 0;
    while (at < Bytes.size()) {
        if (Bytes.size() - at < kHeaderBytes)
            return std::nullopt;
        const char *p = Bytes.constData() + at;
        const auto count = static_cast<uint8_t>(p[0]);
        if (count == 0 || Bytes.size() - at - kHeaderBytes < qsizetype{count} * kEntryBytes)
            return std::nullopt;
        AccurateRipPressing pressing;
        pressing.Id1 = LittleEndian32(p + 1);
        pressing.Id2 = LittleEndian32(p + 5);
        pressing.Id3 = LittleEndian32(p + 9);
        p += kHeaderBytes;
        for (int i = 0; i < count; ++i, p += kEntryBytes)
            pressing.Tracks.push_back(
                {static_cast<uint8_t>(p[0]), LittleEndian32(p + 1), LittleEndian32(p + 5)});
        at += kHeaderBytes + qsizetype{count} * kEntryBytes;
        pressings.push_back(std::move(pressing));
    }
    if (pressings.empty())
        return std::nullopt;
    return pressings;
}

AccurateRipVerdict VerifyTrack(const std::vector<AccurateRipPressing> &Pressings, int Index, uint32_t V1,
                               uint32_t V2)
{
    AccurateRipVerdict verdict;
    verdict.Result = AccurateRipResult::Mismatch;
    bool found = false;
    for (const AccurateRipPressing &pressing : Pressings) {
        if (Index < 1 || static_cast<size_t>(Index) > pressing.Tracks.size())
            continue;
        const AccurateRipEntry &entry = pressing.Tracks[static_cast<size_t>(Index) - 1];
        const bool v1 = entry.Checksum == V1;
        const bool v2 = entry.Checksum == V2;
        if (v1 || v2) {
            if (!found || entry.Confidence > verdict.Confidence) {
                verdict.Confidence = entry.Confidence;
                verdict.V2 = v2 && !v1;
            }
            found = true;
        } else if (!found) {
            verdict.Confidence = std::max<int>(verdict.Confidence, entry.Confidence);
        }
    }
    if (found)
        verdict.Result = AccurateRipResult::Exact;
    return verdict;
}

QString VerdictText(const AccurateRipVerdict &Verdict)
{
    switch (Verdict.Result) {
    case AccurateRipResult::Exact:
        return QStringLiteral("exacte (confiance %1)").arg(Verdict.Confidence);
    case AccurateRipResult::Mismatch:
        return QStringLiteral("différente de la base (confiance %1)").arg(Verdict.Confidence);
    case AccurateRipResult::NotInDatabase:
        return QStringLiteral("non vérifiée : disque absent de la base");
    case AccurateRipResult::Offline:
        return QStringLiteral("non vérifiée : base injoignable");
    case AccurateRipResult::NoDatabase:
        break;
    }
    return QStringLiteral("non vérifiée : pas de base");
}
