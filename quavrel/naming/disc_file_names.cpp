#include "quavrel/naming/disc_file_names.h"

#include "quavrel/naming/output_names.h"

#include <QSet>

namespace {

// A name holds 255 bytes on the file systems music is kept on; the file is first written as
// ".NAME.XXXXXXXX.part", 15 bytes longer.
constexpr int kNameBytes = 255;
constexpr int kTemporaryBytes = 15;

} // namespace

std::vector<TrackFileName> DiscFileNames(const Disc &Disc, const DiscMetadata &Metadata,
                                         const NamingRules &Rules, const QString &Extension)
{
    const int room = kNameBytes - kTemporaryBytes - static_cast<int>(Extension.toUtf8().size());
    std::vector<TrackFileName> names;
    QSet<QString> taken;
    std::vector<int> tracks = Disc.AudioTracks();
    if (Disc.HasHiddenTrack())
        tracks.insert(tracks.begin(), 0);
    for (const int track : tracks) {
        const QString title = Metadata.TitleOf(track);
        const QString wanted = OutputBaseNameFor(track, title.isEmpty() ? QStringLiteral("?") : title,
                                                 Rules.WithNumber, Rules.WithName);
        TrackFileName name{track, {}, false};
        // Compared ignoring case, as FAT and NTFS do; a suffix is made room for.
        for (int n = 1;; ++n) {
            const QString suffix = n == 1 ? QString() : QStringLiteral(" (%1)").arg(n);
            const int fit = room - static_cast<int>(suffix.toUtf8().size());
            QString base = QString::fromUtf8(Utf8Prefix(wanted, fit));
            const bool shortened = base.size() < wanted.size();
            if (shortened)
                base = SafeFileName(base, QString::number(track));
            base += suffix;
            if (!taken.contains(base.toCaseFolded())) {
                name.Base = base;
                name.Shortened = shortened;
                break;
            }
        }
        taken.insert(name.Base.toCaseFolded());
        names.push_back(name);
    }
    return names;
}
