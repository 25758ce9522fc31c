#include "quavrel/engine/formats/rip_formats.h"

#include "quavrel/engine/bindings/lame_coder.h"
#include "quavrel/engine/bindings/vorbis_binding.h"
#include "quavrel/engine/formats/flac_sink.h"
#include "quavrel/engine/formats/mp3_sink.h"
#include "quavrel/engine/formats/ogg_sink.h"
#include "quavrel/engine/formats/ogg_tag_texts.h"
#include "quavrel/engine/formats/opus_sink.h"
#include "quavrel/engine/formats/wav_sink.h"

#include <algorithm>

namespace {

std::unique_ptr<AudioSink> MakeWav(const EncoderChoice &, const TrackTags &, int64_t, RipError &)
{
    // Always the drive's own 44100 Hz stereo.
    return std::make_unique<WavSink>(2, 44100);
}

std::unique_ptr<AudioSink> MakeOgg(const EncoderChoice &Choice, const TrackTags &Tags, int64_t,
                                   RipError &Error)
{
    if (!LoadVorbis()) {
        Error.Kind = RipErrorKind::FormatUnavailable;
        Error.Reason = QStringLiteral("Vorbis.DLL non prête.");
        return nullptr;
    }
    // The genre only when known: an empty text writes no GENRE comment.
    const OggTagTexts texts(Tags.Artist, Tags.Album, Tags.Title,
                            QStringLiteral("Encoder DLL : ") + VorbisVersionText(), Tags.Genre);
    const VB_TAG tag = texts.Record(static_cast<uint32_t>(std::max(Tags.TrackNumber, 0)),
                                    static_cast<uint32_t>(std::max(Tags.TrackTotal, 0)));
    // The sink copies the texts.
    auto sink = std::make_unique<OggSink>(VorbisFormatRecord(Choice.OggQuality), tag);
    // The record has no field for these; the finished file gets them as comments.
    TrackTags extra;
    extra.Year = Tags.Year;
    extra.DiscId = Tags.DiscId;
    extra.MusicBrainzAlbumId = Tags.MusicBrainzAlbumId;
    extra.MusicBrainzTrackId = Tags.MusicBrainzTrackId;
    extra.Isrc = Tags.Isrc;
    extra.Barcode = Tags.Barcode;
    sink->SetExtraComments(VorbisComments(extra));
    return sink;
}

// The MP3 sink with an encoder component of its own, set up from the choice.
class OwnMp3Sink : public AudioSink {
  public:
    OwnMp3Sink(const EncoderChoice &Choice, const TrackTags &Tags)
    {
        sink_.SetTags(Tags);
        // The rate picks the MP3's; the PCM given to the encoder stays the drive's 44100 Hz.
        coder_.SetReSampleRate(static_cast<uint32_t>(Choice.SampleRate));
        coder_.SetBitrate(static_cast<uint32_t>(Choice.Bitrate));
        coder_.SetMaxBitrate(static_cast<uint32_t>(Choice.MaxBitrate));
        coder_.SetEnableVBR(Choice.Vbr);
        coder_.SetCopyright(Choice.Copyright);
        coder_.SetOriginal(Choice.Original);
        coder_.SetCRC(Choice.Crc);
    }
    QString Extension() const override { return sink_.Extension(); }
    bool Begin(QFile &File, QString &Error) override { return sink_.Begin(File, Error); }
    bool Write(const uint8_t *Pcm, size_t Bytes, QString &Error) override
    {
        return sink_.Write(Pcm, Bytes, Error);
    }
    bool Finish(QFile &File, const QString &Path, QString &Error) override
    {
        return sink_.Finish(File, Path, Error);
    }
    void Abandon() override { sink_.Abandon(); }

  private:
    TLameCoder coder_;
    Mp3Sink sink_{coder_};
};

std::unique_ptr<AudioSink> MakeMp3(const EncoderChoice &Choice, const TrackTags &Tags, int64_t, RipError &)
{
    return std::make_unique<OwnMp3Sink>(Choice, Tags);
}

std::unique_ptr<AudioSink> MakeFlac(const EncoderChoice &Choice, const TrackTags &Tags, int64_t Frames,
                                    RipError &)
{
    return std::make_unique<FlacSink>(Choice.FlacCompression, Tags,
                                      static_cast<uint64_t>(std::max<int64_t>(Frames, 0)));
}

std::unique_ptr<AudioSink> MakeOpus(const EncoderChoice &Choice, const TrackTags &Tags, int64_t, RipError &)
{
    return std::make_unique<OpusSink>(Choice.OpusBitrate, Tags);
}

QStringList OggLines(const EncoderChoice &Choice)
{
    return {QStringLiteral("Qualité Ogg : %1").arg(Choice.OggQuality)};
}

QStringList Mp3Lines(const EncoderChoice &Choice)
{
    return {QStringLiteral("Mp3 : %1 kbit/s (max. %2), %3 Hz%4")
                .arg(Choice.Bitrate)
                .arg(Choice.MaxBitrate)
                .arg(Choice.SampleRate)
                .arg(Choice.Vbr ? QStringLiteral(", VBR") : QString())};
}

QStringList WavLines(const EncoderChoice &)
{
    return {};
}

QStringList FlacLines(const EncoderChoice &Choice)
{
    return {QStringLiteral("Compression Flac : %1").arg(Choice.FlacCompression)};
}

QStringList OpusLines(const EncoderChoice &Choice)
{
    return {QStringLiteral("Opus : %1 kbit/s").arg(Choice.OpusBitrate)};
}

} // namespace

const std::vector<RipFormat> &RipFormats()
{
    static const std::vector<RipFormat> formats{
        {QStringLiteral("ogg"), QStringLiteral("Ogg"), 0, QStringLiteral(".ogg"), MakeOgg, OggLines},
        {QStringLiteral("mp3"), QStringLiteral("Mp3"), 1, QStringLiteral(".mp3"), MakeMp3, Mp3Lines},
        {QStringLiteral("wav"), QStringLiteral("Wav"), 2, QStringLiteral(".wav"), MakeWav, WavLines},
        {QStringLiteral("flac"), QStringLiteral("Flac"), 3, QStringLiteral(".flac"), MakeFlac, FlacLines},
        {QStringLiteral("opus"), QStringLiteral("Opus"), 4, QStringLiteral(".opus"), MakeOpus, OpusLines},
    };
    return formats;
}

const RipFormat *FindRipFormat(const QString &Name)
{
    for (const RipFormat &format : RipFormats())
        if (format.Name.compare(Name, Qt::CaseInsensitive) == 0)
            return &format;
    return nullptr;
}

const RipFormat *RipFormatOfSettings(int Index)
{
    for (const RipFormat &format : RipFormats())
        if (format.SettingsIndex == Index)
            return &format;
    return nullptr;
}

QStringList RipFormatNames()
{
    QStringList names;
    for (const RipFormat &format : RipFormats())
        names << format.Name;
    return names;
}
