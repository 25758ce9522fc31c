#pragma once
// The formats a rip can write, one entry each: its names, and a factory of its sink with one
// signature for all. A format is offered (in the window's box, by quavrel-cli -f) when its entry
// is here; adding one is a sink and a row of this table.

#include "quavrel/engine/pipeline/audio_sink.h"
#include "quavrel/engine/pipeline/rip_error.h"
#include "quavrel/engine/tags/track_tags.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QString>
#include <QStringList>

// The encoder settings of every format, as the window's settings tab has them.
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
    int OpusBitrate = 160;   // kbit/s, 64..256
};

// Frames is the track's length in sample frames. Null with Error (FormatUnavailable) when the
// format cannot be written now.
using SinkFactory = std::function<std::unique_ptr<AudioSink>(const EncoderChoice &, const TrackTags &,
                                                             int64_t Frames, RipError &Error)>;

struct RipFormat {
    QString Name;           // as -f takes it: "ogg"
    QString Caption;        // as the window's box shows it: "Ogg"
    int SettingsIndex = -1; // the window's "Encodeur" index
    QString Extension;      // ".ogg"
    SinkFactory MakeSink;
    // The settings that shaped the files, as the rip log lists them.
    std::function<QStringList(const EncoderChoice &)> SettingsLines;
};

const std::vector<RipFormat> &RipFormats();
// The entry of Name (any letter case), or null.
const RipFormat *FindRipFormat(const QString &Name);
// The entry of the window's "Encodeur" index, or null.
const RipFormat *RipFormatOfSettings(int Index);
QStringList RipFormatNames();
