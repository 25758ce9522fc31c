#include "quavrel/engine/formats/ogg_tag_texts.h"

#include "quavrel/naming/output_names.h"

#include <QTime>

namespace {

constexpr int kTagTextBytes = 131;
// The stream's ENCODED_BY comment.
const char *const kEncoderName = "Quavrel 1.1";

} // namespace

OggTagTexts::OggTagTexts(const QString &Artist, const QString &Album, const QString &Title,
                         const QString &Comment, const QString &Genre)
{
    const QString texts[kTextCount] = {Artist,
                                       Album,
                                       Title,
                                       Comment,
                                       Genre,
                                       QString::fromLatin1(kEncoderName),
                                       QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))};
    for (int i = 0; i < kTextCount; ++i)
        texts_[static_cast<size_t>(i)] = Utf8Prefix(texts[i], kTagTextBytes);
}

VB_TAG OggTagTexts::Record(uint32_t TrackNumber, uint32_t TrackTotal) const
{
    VB_TAG tag{};
    tag.dwStructSize = sizeof(VB_TAG);
    tag.dwStructVersion = 1;
    tag.dwReserved[0] = 1;
    tag.dwReserved[1] = 44;
    tag.dwReserved[2] = 1;
    tag.lpszArtist = texts_[kArtist].constData();
    tag.lpszAlbum = texts_[kAlbum].constData();
    tag.lpszTitle = texts_[kTitle].constData();
    tag.lpszComment = texts_[kComment].constData();
    tag.dwTrackNumber = TrackNumber;
    tag.dwTrackTotal = TrackTotal;
    tag.lpszGenre = texts_[kGenre].constData();
    tag.lpszEncodedBy = texts_[kEncodedBy].constData();
    tag.lpszEncodingTime = texts_[kTime].constData();
    return tag;
}
