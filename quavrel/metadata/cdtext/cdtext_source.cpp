#include "quavrel/metadata/cdtext/cdtext_source.h"

#include "quavrel/metadata/lookup/plain_text.h"

LookupResult CdTextSource::Query(const Disc &Disc)
{
    LookupResult result;
    result.DiscId = Disc.CddbIdText();
    const CdTextBlock *block = Disc.CdText().FirstReadable();
    if (!block) {
        result.Status = LookupStatus::NoMatch;
        result.Message = Disc.CdText().Empty() ? QStringLiteral("Pas de CD-Text sur le disque.")
                                               : QStringLiteral("CD-Text illisible : ") +
                                                     Disc.CdText().Problems.join(QStringLiteral(" ; "));
        return result;
    }
    MetadataMatch match;
    match.Source = Name();
    match.Category = block->LanguageName();
    match.DiscId = result.DiscId;
    match.Artist = PlainText(block->Artist);
    match.Title = PlainText(block->Album);
    result.Matches.push_back(match);
    result.Status = LookupStatus::Found;
    return result;
}

LookupResult CdTextSource::Read(const Disc &Disc, const LookupResult &, int Index)
{
    LookupResult result;
    const CdTextBlock *block = Disc.CdText().FirstReadable();
    if (!block || Index != 0) {
        result.Message = QStringLiteral("CD-Text illisible.");
        return result;
    }
    result.Status = LookupStatus::Found;
    DiscMetadata &names = result.Metadata;
    names.Artist = PlainText(block->Artist);
    names.Album = PlainText(block->Album);
    for (int n = 1; n <= Disc.TrackCount(); ++n)
        names.Tracks.push_back({PlainText(block->Titles.value(n - 1)), {}});
    names.CddbDiscId = Disc.CddbIdText();
    return result;
}
