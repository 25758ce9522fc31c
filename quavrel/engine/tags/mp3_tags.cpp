#include "quavrel/engine/tags/mp3_tags.h"

#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/uniquefileidentifierframe.h>

#include <QFile>

namespace {

TagLib::String TagText(const QString &text)
{
    return TagLib::String(text.toStdString(), TagLib::String::UTF8);
}

void AddText(TagLib::ID3v2::Tag &tag, const char *id, const QString &text)
{
    if (text.trimmed().isEmpty())
        return;
    auto *frame = new TagLib::ID3v2::TextIdentificationFrame(TagLib::ByteVector(id), TagLib::String::UTF16);
    frame->setText(TagText(text));
    tag.addFrame(frame);
}

void AddUserText(TagLib::ID3v2::Tag &tag, const char *description, const QString &text)
{
    if (text.trimmed().isEmpty())
        return;
    auto *frame = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::UTF16);
    frame->setDescription(description);
    frame->setText(TagText(text));
    tag.addFrame(frame);
}

} // namespace

bool WriteMp3Tags(const QString &Path, const TrackTags &Tags, QString &Error)
{
    TagLib::MPEG::File file(QFile::encodeName(Path).constData(), false);
    if (!file.isValid() || file.readOnly()) {
        Error = QStringLiteral("fichier MP3 illisible pour ses étiquettes");
        return false;
    }
    file.strip(TagLib::MPEG::File::AllTags);
    TagLib::ID3v2::Tag &tag = *file.ID3v2Tag(true);
    AddText(tag, "TPE1", Tags.Artist);
    AddText(tag, "TALB", Tags.Album);
    AddText(tag, "TIT2", Tags.Title);
    if (Tags.TrackNumber > 0)
        AddText(tag, "TRCK",
                Tags.TrackTotal > 0 ? QStringLiteral("%1/%2").arg(Tags.TrackNumber).arg(Tags.TrackTotal)
                                    : QString::number(Tags.TrackNumber));
    // Saved as ID3v2.3, the recording time becomes its year frame (TYER).
    AddText(tag, "TDRC", Tags.Year);
    AddText(tag, "TCON", Tags.Genre);
    AddText(tag, "TSRC", Tags.Isrc);
    AddUserText(tag, kId3DiscIdDescription, Tags.DiscId);
    AddUserText(tag, "BARCODE", Tags.Barcode);
    AddUserText(tag, "MusicBrainz Album Id", Tags.MusicBrainzAlbumId);
    // Players read the recording's identifier from this frame, as the MUSICBRAINZ_TRACKID comment.
    if (!Tags.MusicBrainzTrackId.trimmed().isEmpty())
        tag.addFrame(new TagLib::ID3v2::UniqueFileIdentifierFrame(
            "http://musicbrainz.org", Tags.MusicBrainzTrackId.trimmed().toUtf8().constData()));
    // The ID3v1 tag takes what it can hold from the ID3v2 one.
    if (!file.save(TagLib::MPEG::File::ID3v1 | TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers,
                   TagLib::ID3v2::v3, TagLib::File::Duplicate)) {
        Error = QStringLiteral("étiquettes MP3 non écrites");
        return false;
    }
    return true;
}
