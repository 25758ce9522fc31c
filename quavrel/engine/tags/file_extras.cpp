#include "quavrel/engine/tags/file_extras.h"

#include <cmath>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include <QFile>

namespace {

TagLib::ByteVector Bytes(const QByteArray &data)
{
    return TagLib::ByteVector(data.constData(), static_cast<unsigned int>(data.size()));
}

TagLib::String Text(const QString &text)
{
    return TagLib::String(text.toStdString(), TagLib::String::UTF8);
}

TagLib::FLAC::Picture *FlacPicture(const CoverImage &cover)
{
    auto *picture = new TagLib::FLAC::Picture;
    picture->setType(TagLib::FLAC::Picture::FrontCover);
    picture->setMimeType(Text(cover.MimeType));
    picture->setData(Bytes(cover.Data));
    return picture;
}

void SetField(TagLib::Ogg::XiphComment &comment, const char *name, const std::optional<QString> &value)
{
    if (!value)
        return;
    comment.removeFields(name);
    comment.addField(name, Text(*value), true);
}

std::optional<QString> Gain(const std::optional<double> &gain)
{
    return gain ? std::optional<QString>(GainText(*gain)) : std::nullopt;
}

std::optional<QString> Peak(const std::optional<double> &peak)
{
    return peak ? std::optional<QString>(PeakText(*peak)) : std::nullopt;
}

std::optional<QString> R128(const std::optional<double> &gain)
{
    return gain ? std::optional<QString>(QString::number(R128GainOf(*gain))) : std::nullopt;
}

void AddComments(TagLib::Ogg::XiphComment &comment, const FileExtras &extras, bool opus)
{
    if (opus) {
        // Opus players read these and no REPLAYGAIN_ comment; the peak has no place there.
        SetField(comment, "R128_TRACK_GAIN", R128(extras.TrackGain));
        SetField(comment, "R128_ALBUM_GAIN", R128(extras.AlbumGain));
    } else {
        SetField(comment, "REPLAYGAIN_TRACK_GAIN", Gain(extras.TrackGain));
        SetField(comment, "REPLAYGAIN_TRACK_PEAK", Peak(extras.TrackPeak));
        SetField(comment, "REPLAYGAIN_ALBUM_GAIN", Gain(extras.AlbumGain));
        SetField(comment, "REPLAYGAIN_ALBUM_PEAK", Peak(extras.AlbumPeak));
    }
    if (!extras.Cover.Empty()) {
        comment.removeAllPictures();
        comment.addPicture(FlacPicture(extras.Cover));
    }
}

void SetUserText(TagLib::ID3v2::Tag &tag, const char *description, const std::optional<QString> &value)
{
    if (!value)
        return;
    if (auto *old = TagLib::ID3v2::UserTextIdentificationFrame::find(&tag, description))
        tag.removeFrame(old);
    auto *frame = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::Latin1);
    frame->setDescription(description);
    frame->setText(Text(*value));
    tag.addFrame(frame);
}

bool AddMp3Extras(const QString &path, const FileExtras &extras, QString &error)
{
    TagLib::MPEG::File file(QFile::encodeName(path).constData(), false);
    if (!file.isValid() || file.readOnly()) {
        error = QStringLiteral("fichier MP3 illisible pour ses étiquettes");
        return false;
    }
    TagLib::ID3v2::Tag &tag = *file.ID3v2Tag(true);
    SetUserText(tag, "REPLAYGAIN_TRACK_GAIN", Gain(extras.TrackGain));
    SetUserText(tag, "REPLAYGAIN_TRACK_PEAK", Peak(extras.TrackPeak));
    SetUserText(tag, "REPLAYGAIN_ALBUM_GAIN", Gain(extras.AlbumGain));
    SetUserText(tag, "REPLAYGAIN_ALBUM_PEAK", Peak(extras.AlbumPeak));
    if (!extras.Cover.Empty()) {
        tag.removeFrames("APIC");
        auto *picture = new TagLib::ID3v2::AttachedPictureFrame;
        picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        picture->setMimeType(Text(extras.Cover.MimeType));
        picture->setPicture(Bytes(extras.Cover.Data));
        tag.addFrame(picture);
    }
    // As the track's own tags were saved: ID3v2.3, with the ID3v1 tag kept beside it.
    if (!file.save(TagLib::MPEG::File::ID3v1 | TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers,
                   TagLib::ID3v2::v3, TagLib::File::Duplicate)) {
        error = QStringLiteral("étiquettes MP3 non écrites");
        return false;
    }
    return true;
}

template <typename OggFile>
bool AddOggExtras(const QString &path, const FileExtras &extras, bool opus, QString &error)
{
    OggFile file(QFile::encodeName(path).constData(), false);
    if (!file.isValid() || !file.tag() || file.readOnly()) {
        error = QStringLiteral("fichier Ogg illisible pour ses commentaires");
        return false;
    }
    AddComments(*file.tag(), extras, opus);
    if (!file.save()) {
        error = QStringLiteral("commentaires Ogg non écrits");
        return false;
    }
    return true;
}

bool AddFlacExtras(const QString &path, const FileExtras &extras, QString &error)
{
    TagLib::FLAC::File file(QFile::encodeName(path).constData(), false);
    if (!file.isValid() || file.readOnly()) {
        error = QStringLiteral("fichier FLAC illisible pour ses commentaires");
        return false;
    }
    FileExtras comments = extras;
    comments.Cover = {};
    AddComments(*file.xiphComment(true), comments, false);
    // A PICTURE block of its own, as FLAC readers look for it.
    if (!extras.Cover.Empty()) {
        file.removePictures();
        file.addPicture(FlacPicture(extras.Cover));
    }
    if (!file.save()) {
        error = QStringLiteral("commentaires FLAC non écrits");
        return false;
    }
    return true;
}

} // namespace

bool CanEmbedCover(const QString &Extension)
{
    return Extension != QLatin1String(".wav");
}

bool AddFileExtras(const QString &Path, const QString &Extension, const FileExtras &Extras, QString &Error)
{
    if (Extras.Empty())
        return true;
    if (Extension == QLatin1String(".flac"))
        return AddFlacExtras(Path, Extras, Error);
    if (Extension == QLatin1String(".ogg"))
        return AddOggExtras<TagLib::Ogg::Vorbis::File>(Path, Extras, false, Error);
    if (Extension == QLatin1String(".opus"))
        return AddOggExtras<TagLib::Ogg::Opus::File>(Path, Extras, true, Error);
    if (Extension == QLatin1String(".mp3"))
        return AddMp3Extras(Path, Extras, Error);
    return true;
}

QString GainText(double Gain)
{
    return QStringLiteral("%1 dB").arg(Gain, 0, 'f', 2);
}

QString PeakText(double Peak)
{
    return QString::number(Peak, 'f', 6);
}

int R128GainOf(double ReplayGain)
{
    // ReplayGain's reference is 5 dB above R128's.
    return static_cast<int>(std::lround((ReplayGain - 5.0) * 256.0));
}

QString ImageMimeType(const QByteArray &Data)
{
    if (Data.startsWith("\xFF\xD8\xFF"))
        return QStringLiteral("image/jpeg");
    if (Data.startsWith("\x89PNG\r\n\x1A\n"))
        return QStringLiteral("image/png");
    return {};
}
