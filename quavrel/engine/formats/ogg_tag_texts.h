#pragma once
// The texts of the Vorbis library's tag record as the program fills it, each cut to 131 bytes of
// UTF-8, and the record over them: the encoder's name, the time of encoding and the fixed fields
// are the same for the window and the command line.

#include <array>
#include <cstdint>

#include <QByteArray>
#include <QString>

#ifndef VB_NO_PROTOTYPES
#define VB_NO_PROTOTYPES
#endif
#include "platform/vorbis/vorbis_dll.h"

class OggTagTexts {
  public:
    OggTagTexts() = default;
    // Comment is the library's own line ("Encoder DLL : …"); an empty Genre writes none.
    OggTagTexts(const QString &Artist, const QString &Album, const QString &Title, const QString &Comment,
                const QString &Genre);

    // Points into these texts: valid while they live and are not replaced.
    VB_TAG Record(uint32_t TrackNumber, uint32_t TrackTotal) const;

  private:
    enum Text { kArtist, kAlbum, kTitle, kComment, kGenre, kEncodedBy, kTime, kTextCount };
    std::array<QByteArray, kTextCount> texts_;
};
