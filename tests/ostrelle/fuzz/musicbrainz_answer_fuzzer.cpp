// libFuzzer target: the MusicBrainz discid answer parser on arbitrary bytes (QtCore's JSON). What
// it takes is a release that names something, one recording ID for each track title, and never a
// control character in a name once PlainText has been through it.

#include "quavrel/metadata/lookup/plain_text.h"
#include "quavrel/metadata/musicbrainz/musicbrainz_release.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool Blank(const QString &text)
{
    return PlainText(text).trimmed().isEmpty();
}

bool HasControl(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(bytes), static_cast<qsizetype>(size));
    // The disc ID and the track count come from the input as well, so both ways of finding the
    // medium are taken.
    const int trackCount = size > 0 ? bytes[0] % 100 : 0;
    for (const QString &discId : {QStringLiteral("id"), QString::fromLatin1(input.left(28))}) {
        const MusicBrainzAnswer answer = ParseDiscIdAnswer(input, discId, trackCount);
        if (answer.Valid != answer.Error.isEmpty())
            std::abort();
        if (!answer.Valid && (!answer.Releases.empty() || answer.NoReleaseList))
            std::abort();
        for (const MusicBrainzRelease &release : answer.Releases) {
            if (release.TrackTitles.size() != release.RecordingIds.size())
                std::abort();
            bool named = !Blank(release.Title) || !Blank(release.ArtistCredit);
            for (const QString &title : release.TrackTitles)
                named = named || !Blank(title);
            if (!named || release.MediumCount < 1)
                std::abort();
            for (const QString &text : {release.Title, release.ArtistCredit, release.Id, release.Date})
                if (HasControl(PlainText(text)))
                    std::abort();
        }
    }
    return 0;
}
