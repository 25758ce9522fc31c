#pragma once
// The formats a rip can write, by the name -f takes: each is one entry, a name and a factory of
// its sink. A format is offered only when its entry is here.

#include "quavrel/engine/pipeline/audio_sink.h"

#include <functional>
#include <memory>
#include <vector>

#include <QString>
#include <QStringList>

struct EncoderChoice {
    int OggQuality = 5; // 0..10
    int SampleRate = 44100;
    int Bitrate = 128;
    int MaxBitrate = 320;
    bool Vbr = false;
    bool Copyright = false;
    bool Original = false;
    bool Crc = true;
    int FlacCompression = 5; // 0..8
};

// What the file says of its track, for the formats that carry tags.
struct TrackLabel {
    int Number = 0;
    int Total = 0;
    QString Artist;
    QString Album;
    QString Title;  // empty when unknown
    QString DiscId; // the CDDB disc ID
};

// Null with the reason in Error (in French) when the format cannot be written now.
using SinkFactory =
    std::function<std::unique_ptr<AudioSink>(const EncoderChoice &, const TrackLabel &, QString &Error)>;

struct RipFormat {
    QString Name;           // as -f takes it: "ogg"
    int SettingsIndex = -1; // the window's "Encodeur" index, -1 when it has none
    SinkFactory MakeSink;
};

const std::vector<RipFormat> &RipFormats();
// The entry of Name, or null.
const RipFormat *FindRipFormat(const QString &Name);
// The entry of the window's "Encodeur" index, or null.
const RipFormat *RipFormatOfSettings(int Index);
QStringList RipFormatNames();
