#include "quavrel/metadata/musicbrainz/musicbrainz_source.h"

#include "quavrel/metadata/lookup/plain_text.h"

namespace {

const QString kMusicBrainzFailed = QStringLiteral("Erreur pendant la récupération des données MusicBrainz!");

} // namespace

MetadataMatch MatchOf(const MusicBrainzRelease &Release, const QString &DiscId)
{
    MetadataMatch match;
    match.Source = QStringLiteral("MusicBrainz");
    match.DiscId = DiscId;
    match.Artist = PlainText(Release.ArtistCredit);
    match.Title = PlainText(Release.Title);
    match.Date = PlainText(Release.Date);
    match.Country = PlainText(Release.Country);
    match.Disambiguation = PlainText(Release.Disambiguation);
    match.MediumPosition = Release.MediumPosition;
    match.MediumCount = Release.MediumCount;
    match.ReleaseId = PlainText(Release.Id);
    return match;
}

LookupResult MusicBrainzSource::Query(const Disc &Disc)
{
    releases_.clear();
    const MusicBrainzResult answer = client_.Lookup(Disc);
    LookupResult result;
    result.DiscId = answer.DiscId;
    switch (answer.Result) {
    case MusicBrainzResult::Outcome::Aborted:
        result.Status = LookupStatus::Abandoned;
        result.Message = kMusicBrainzFailed + QStringLiteral("\nCause : ") + PlainText(answer.Reason);
        return result;
    case MusicBrainzResult::Outcome::Failed:
        // The reason may quote the server (its reason phrase, Qt's words around it).
        result.Message = kMusicBrainzFailed + QStringLiteral("\nCause : ") + PlainText(answer.Reason);
        return result;
    case MusicBrainzResult::Outcome::NotFound:
        result.Status = LookupStatus::NoMatch;
        result.Message =
            QStringLiteral("Pas de correspondance MusicBrainz trouvée pour DiscID: ") + answer.DiscId;
        return result;
    case MusicBrainzResult::Outcome::Found:
        break;
    }
    releases_ = answer.Releases;
    result.Status = LookupStatus::Found;
    result.Exact = !answer.ByToc;
    for (const MusicBrainzRelease &release : releases_)
        result.Matches.push_back(MatchOf(release, answer.DiscId));
    return result;
}

LookupResult MusicBrainzSource::Read(const Disc &Disc, const LookupResult &, int Index)
{
    LookupResult result;
    if (Index < 0 || static_cast<size_t>(Index) >= releases_.size()) {
        result.Message = kMusicBrainzFailed;
        return result;
    }
    const MusicBrainzRelease &release = releases_[static_cast<size_t>(Index)];
    result.Status = LookupStatus::Found;
    DiscMetadata &names = result.Metadata;
    names.Artist = PlainText(release.ArtistCredit);
    names.Album = PlainText(release.Title);
    names.Year = PlainText(release.Year());
    names.CddbDiscId = Disc.CddbIdText();
    names.MusicBrainzReleaseId = PlainText(release.Id);
    for (qsizetype i = 0; i < release.TrackTitles.size(); ++i)
        names.Tracks.push_back(
            {PlainText(release.TrackTitles.at(i)), PlainText(release.RecordingIds.value(i))});
    return result;
}
