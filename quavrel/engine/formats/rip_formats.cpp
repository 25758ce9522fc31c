#include "quavrel/engine/formats/rip_formats.h"

#include "quavrel/engine/bindings/lame_coder.h"
#include "quavrel/engine/bindings/vorbis_binding.h"
#include "quavrel/engine/formats/flac_sink.h"
#include "quavrel/engine/formats/mp3_sink.h"
#include "quavrel/engine/formats/ogg_sink.h"
#include "quavrel/engine/formats/ogg_tag_texts.h"
#include "quavrel/engine/formats/wav_sink.h"
#include "quavrel/naming/output_names.h"

#include <algorithm>

namespace {

// The tags the window writes for the same track (the year and genre come with the window's lookup only).
TrackTags TagsOf(const TrackLabel &label)
{
    TrackTags tags;
    tags.Artist = label.Artist;
    tags.Album = label.Album;
    tags.Title = label.Title;
    tags.TrackNumber = label.Number;
    tags.TrackTotal = label.Total;
    tags.DiscId = label.DiscId;
    return tags;
}

std::unique_ptr<AudioSink> MakeWav(const EncoderChoice &, const TrackLabel &, QString &)
{
    return std::make_unique<WavSink>(2, 44100);
}

std::unique_ptr<AudioSink> MakeOgg(const EncoderChoice &choice, const TrackLabel &label, QString &error)
{
    if (!LoadVorbis()) {
        error = QStringLiteral("Vorbis.DLL non prête.");
        return nullptr;
    }
    // No genre is known here: none is written (never a made-up one).
    const OggTagTexts texts(label.Artist, label.Album, label.Title,
                            QStringLiteral("Encoder DLL : ") + VorbisVersionText(), QString());
    const VB_TAG tag =
        texts.Record(static_cast<uint32_t>(label.Number), static_cast<uint32_t>(std::max(label.Total, 0)));
    // The sink copies the texts.
    return std::make_unique<OggSink>(VorbisFormatRecord(choice.OggQuality), tag);
}

// The MP3 sink with an encoder component of its own, set up like the window's.
class OwnMp3Sink : public AudioSink {
  public:
    OwnMp3Sink(const EncoderChoice &choice, const TrackLabel &label)
    {
        sink_.SetTags(TagsOf(label));
        // The rate picks the MP3's; the PCM given to the encoder stays the ripper's 44100 Hz.
        coder_.SetReSampleRate(static_cast<uint32_t>(choice.SampleRate));
        coder_.SetBitrate(static_cast<uint32_t>(choice.Bitrate));
        coder_.SetMaxBitrate(static_cast<uint32_t>(choice.MaxBitrate));
        coder_.SetEnableVBR(choice.Vbr);
        coder_.SetCopyright(choice.Copyright);
        coder_.SetOriginal(choice.Original);
        coder_.SetCRC(choice.Crc);
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

std::unique_ptr<AudioSink> MakeMp3(const EncoderChoice &choice, const TrackLabel &label, QString &)
{
    return std::make_unique<OwnMp3Sink>(choice, label);
}

std::unique_ptr<AudioSink> MakeFlac(const EncoderChoice &choice, const TrackLabel &label, QString &)
{
    return std::make_unique<FlacSink>(choice.FlacCompression, TagsOf(label));
}

} // namespace

const std::vector<RipFormat> &RipFormats()
{
    static const std::vector<RipFormat> formats{
        {QStringLiteral("ogg"), 0, MakeOgg},
        {QStringLiteral("mp3"), 1, MakeMp3},
        {QStringLiteral("wav"), 2, MakeWav},
        {QStringLiteral("flac"), 3, MakeFlac},
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
