#include "quavrel/engine/tags/track_tags.h"

std::vector<std::pair<QString, QString>> VorbisComments(const TrackTags &Tags)
{
    const std::pair<QString, QString> all[] = {
        {QStringLiteral("ARTIST"), Tags.Artist},
        {QStringLiteral("ALBUM"), Tags.Album},
        {QStringLiteral("TITLE"), Tags.Title},
        {QStringLiteral("TRACKNUMBER"), Tags.TrackNumber > 0 ? QString::number(Tags.TrackNumber) : QString()},
        {QStringLiteral("TRACKTOTAL"), Tags.TrackTotal > 0 ? QString::number(Tags.TrackTotal) : QString()},
        {QStringLiteral("DATE"), Tags.Year},
        {QStringLiteral("GENRE"), Tags.Genre},
        {QStringLiteral("DISCID"), Tags.DiscId},
        {QStringLiteral("MUSICBRAINZ_ALBUMID"), Tags.MusicBrainzAlbumId},
        {QStringLiteral("MUSICBRAINZ_TRACKID"), Tags.MusicBrainzTrackId},
        {QStringLiteral("ISRC"), Tags.Isrc},
        {QStringLiteral("BARCODE"), Tags.Barcode},
    };
    std::vector<std::pair<QString, QString>> comments;
    for (const auto &[name, value] : all)
        if (!value.trimmed().isEmpty())
            comments.emplace_back(name, value);
    return comments;
}
