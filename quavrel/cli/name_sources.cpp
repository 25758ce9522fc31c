#include "quavrel/cli/name_sources.h"

#include "quavrel/cli/interrupt_watch.h"
#include "quavrel/metadata/musicbrainz/disc_layout.h"
#include "quavrel/metadata/musicbrainz/musicbrainz_client.h"

namespace {

const QString kMusicBrainzFailed = QStringLiteral("Erreur pendant la récupération des données MusicBrainz!");

DiscLookup LookUpMusicBrainz(const TCdToc &toc, int choice, const MatchChooser &chooser, const QUrl &base,
                             InterruptWatch &watch)
{
    DiscLookup lookup;
    const std::optional<DiscLayout> layout = LayoutOfToc(toc);
    if (!layout) {
        lookup.Message = kMusicBrainzFailed + QStringLiteral(" (table des matières inutilisable)");
        return lookup;
    }
    MusicBrainzOptions options;
    if (base.isValid() && !base.isEmpty())
        options.BaseUrl = base;
    MusicBrainzClient client(options);
    watch.SetAction([&client] { client.Abort(); });
    const MusicBrainzResult result = client.Lookup(*layout);
    watch.SetAction({});
    lookup.DiscId = result.DiscId;
    switch (result.Result) {
    case MusicBrainzResult::Outcome::Failed:
    case MusicBrainzResult::Outcome::Aborted:
        lookup.Message = kMusicBrainzFailed + QStringLiteral(" (") + result.Reason + QLatin1Char(')');
        return lookup;
    case MusicBrainzResult::Outcome::NotFound:
        lookup.Outcome = DiscLookup::Status::NoMatch;
        lookup.Message =
            QStringLiteral("Pas de correspondance MusicBrainz trouvée pour DiscID: ") + result.DiscId;
        return lookup;
    case MusicBrainzResult::Outcome::Found:
        break;
    }
    lookup.Exact = !result.ByToc;
    for (const MusicBrainzRelease &release : result.Releases)
        lookup.Matches.push_back(
            {QStringLiteral("MusicBrainz"), result.DiscId, release.ArtistCredit, release.Title});
    if (!ChooseMatch(lookup, choice, chooser))
        return lookup;
    const MusicBrainzRelease &release = result.Releases.at(static_cast<size_t>(lookup.Chosen));
    lookup.Outcome = DiscLookup::Status::Found;
    lookup.Artist = release.ArtistCredit;
    lookup.Album = release.Title;
    lookup.Year = release.Year();
    lookup.Titles = release.TrackTitles;
    return lookup;
}

} // namespace

std::optional<NameSource> ParseNameSource(const QString &Text)
{
    if (Text == QLatin1String("cddb"))
        return NameSource::Cddb;
    if (Text == QLatin1String("musicbrainz"))
        return NameSource::MusicBrainz;
    if (Text == QLatin1String("both"))
        return NameSource::Both;
    return std::nullopt;
}

DiscLookup LookUpNames(const TCdToc &Toc, const CddbServerTexts &Server, bool Utf8, int Choice,
                       const MatchChooser &Chooser, NameSource Source, const QUrl &MusicBrainzBase,
                       InterruptWatch &Watch)
{
    DiscLookup cddb;
    if (Source != NameSource::MusicBrainz) {
        Watch.SetAction([] { http_Abort(); });
        cddb = LookUpDisc(Toc, Server, Utf8, Choice, Chooser);
        Watch.SetAction({});
        // Only "nothing found" goes on to MusicBrainz: a choice refused or not made is the user's.
        const bool nothing =
            cddb.Outcome == DiscLookup::Status::NoMatch || cddb.Outcome == DiscLookup::Status::Failed;
        if (Source == NameSource::Cddb || !nothing || InterruptWatch::Interrupted())
            return cddb;
    }
    DiscLookup names = LookUpMusicBrainz(Toc, Choice, Chooser, MusicBrainzBase, Watch);
    // Neither source knows the disc: CDDB's word first, as when it is asked alone.
    if (Source == NameSource::Both && names.Outcome != DiscLookup::Status::Found)
        names.Message = cddb.Message + QLatin1Char('\n') + names.Message;
    return names;
}
