#include "quavrel/engine/ripper/cd_rip.h"

#include "platform/cdrip/cdrip_linked.h"
#include "quavrel/engine/bindings/file_ext.h"
#include "quavrel/engine/bindings/lame_coder.h"
#include "quavrel/engine/formats/mp3_sink.h"
#include "quavrel/engine/formats/wav_sink.h"

#include <QFile>

namespace {

constexpr int32_t kRipFailed = 1;

// The linked library's open range, read on the pipeline's thread.
class LinkedRipSource : public RipSource {
  public:
    explicit LinkedRipSource(TOutputFormat Format) : format_(Format) {}
    int32_t Open(int32_t FirstSector, int32_t LastSector, int32_t &ChunkBytes) override
    {
        return CR_OpenRipper(&ChunkBytes, FirstSector, LastSector) == kRipFailed ? CDRIP_ERROR : CDRIP_OK;
    }
    int32_t ReadChunk(uint8_t *Buffer, int32_t &Bytes, const int32_t *Abort) override
    {
        CR_SetAbortFlag(Abort);
        const int32_t result = CR_RipChunk(Buffer, &Bytes);
        CR_SetAbortFlag(nullptr);
        return result;
    }
    int32_t PercentCompleted() override { return CR_GetPercentCompleted(); }
    int32_t JitterErrors() override { return CR_GetNumberOfJitterErrors(); }
    void LastJitterError(int32_t &FirstSector, int32_t &LastSector) override
    {
        CR_GetLastJitterErrorPosition(&FirstSector, &LastSector);
    }
    bool Damage(std::vector<TCdRipDamageRun> &Runs) override { return ReadRipDamage(CR_GetRipDamage, Runs); }
    bool MediumPresent() override { return CR_IsMediaLoaded() != 0; }
    bool RefreshCache(int32_t FirstSector, int32_t LastSector) override
    {
        return CR_RefreshAudioCache(FirstSector, LastSector - FirstSector + 1) == CDRIP_OK;
    }
    int32_t Close() override { return CR_CloseRipper(); }
    int Channels() const override { return OutputChannels(format_); }
    int Rate() const override { return OutputRate(format_); }

  private:
    TOutputFormat format_;
};

// Encode on without a coder: the range is read, nothing is written.
class DiscardSink : public AudioSink {
  public:
    QString Extension() const override { return QStringLiteral(".mp3"); }
    bool Begin(QFile &, QString &) override { return true; }
    bool Write(const uint8_t *, size_t, QString &) override { return true; }
    bool Finish(QFile &, const QString &, QString &) override { return true; }
    void Abandon() override {}
};

} // namespace

static_assert(kLinkedParamsSize == 340 && sizeof(TCDRomParams) >= kLinkedParamsSize);

TCDRIP::TCDRIP(QObject *Owner) : QObject(Owner)
{
    try {
        version_ = QString::number(CR_GetCDRipVersion());
        if (CR_Init() != kRipFailed) {
            if (CR_GetCDROMParameters(&params_) != kRipFailed) {
                cdRomNum_ = CR_GetActiveCDROM();
                ReadParamsIntoProperties();
                jitterCorrect_ = true;
                params_.JitterCorrection = -1;
            }
            if (CR_ReadToc() != kRipFailed)
                BuildTrackList();
        }
        jitterErrors_ = 0;
    } catch (const std::exception &) {
        throw ECDRIPError("Initialization failure");
    }
}

TCDRIP::~TCDRIP() = default;

void TCDRIP::SetCoder(TLameCoder *Value)
{
    coder_ = Value;
    SyncCoder();
}

void TCDRIP::SetCDRomNum(int32_t Value)
{
    if (Value == cdRomNum_)
        return;
    try {
        if (CR_SetActiveCDROM(Value) != kRipFailed && CR_GetCDROMParameters(&params_) != kRipFailed) {
            ReadParamsIntoProperties();
            cdRomNum_ = Value;
        }
        if (CR_ReadToc() != kRipFailed)
            BuildTrackList();
    } catch (const std::exception &) {
        throw ECDRIPError("Initialization failure");
    }
}

void TCDRIP::SetOutputFormat(TOutputFormat Value)
{
    if (Value != outputFormat_)
        params_.OutputFormat = static_cast<uint8_t>(Value);
    outputFormat_ = Value;
    SyncCoder();
}

void TCDRIP::SetJitterCorrect(bool Value)
{
    if (Value == jitterCorrect_)
        return;
    jitterCorrect_ = Value;
    params_.JitterCorrection = Value ? -1 : 0;
}

bool TCDRIP::ApplyParameters()
{
    try {
        return CR_SetCDROMParameters(&params_) != kRipFailed;
    } catch (const std::exception &) {
        throw ECDRIPError("Error setting parameters");
    }
}

void TCDRIP::SyncCoder()
{
    if (!coder_)
        return;
    coder_->SetMode(OutputChannels(outputFormat_) == 2 ? TLameMode::STEREO : TLameMode::MONO);
    coder_->SetSampleRate(static_cast<uint32_t>(OutputRate(outputFormat_)));
}

void TCDRIP::RipTrack(int32_t TrackNum, const QString &FileName)
{
    const auto number = static_cast<uint16_t>(TrackNum);
    if (OnBeginTrack)
        OnBeginTrack(this, number);
    const TTrack &track = tracks_.Track(TrackNum - 1);
    RipSectors(track.StartSector, track.EndSector, FileName);
    if (OnEndTrack)
        OnEndTrack(this, number);
}

void TCDRIP::CancelRip()
{
    cancel_ = true;
    if (pipeline_)
        pipeline_->Cancel();
}

void TCDRIP::RipSectors(int32_t FirstSector, int32_t LastSector, const QString &FileName)
{
    if (!ApplyParameters())
        throw ECDRIPError("Invalid CD-ROM parameters");

    cancel_ = false;
    lastRip_ = RipReport{};
    const QString outputName = encode_ ? ChangeFileExt(FileName, QStringLiteral(".mp3")) : FileName;
    LinkedRipSource source(outputFormat_);
    std::unique_ptr<AudioSink> sink;
    if (encode_ && coder_) {
        auto mp3 = std::make_unique<Mp3Sink>(*coder_);
        mp3->SetTags(tags_);
        sink = std::move(mp3);
    } else if (encode_)
        sink = std::make_unique<DiscardSink>();
    else
        sink = std::make_unique<WavSink>(OutputChannels(outputFormat_), OutputRate(outputFormat_), writeWAV_);

    RipPipeline pipeline(source);
    pipeline_ = &pipeline;
    struct Detach {
        RipPipeline *&pipeline;
        ~Detach() { pipeline = nullptr; }
    } detach{pipeline_};
    RipCallbacks callbacks;
    callbacks.Progress = [this](int32_t percent) {
        if (OnProgress)
            OnProgress(this, static_cast<uint16_t>(percent));
    };
    lastRip_ = pipeline.Rip(FirstSector, LastSector, *sink, outputName, callbacks, QStringLiteral(".jitt"));
    jitterErrors_ = lastRip_.JitterErrors;
    jitterList_ = lastRip_.JitterList;
    if (lastRip_.Outcome == RipOutcome::Failed && lastRip_.Error.Kind == RipErrorKind::FileWrite)
        throw ECDRIPWriteError(RipErrorText(lastRip_.Error));
}

void TCDRIP::ReadParamsIntoProperties()
{
    driveTable_.SetFields(params_.DriveTable);
    outputFormat_ = static_cast<TOutputFormat>(params_.OutputFormat);
    speed_ = params_.Speed;
}

void TCDRIP::BuildTrackList()
{
    trackCount_ = CR_GetNumTocEntries();
    tracks_.Clear();
    for (int32_t i = 0; i < trackCount_; ++i) {
        const TCdRipTocEntry entry = UnpackTocEntry(CR_GetTocEntry(i));
        const TCdRipTocEntry next = UnpackTocEntry(CR_GetTocEntry(i + 1));
        TTrack track;
        track.Number = i + 1;
        track.StartSector = entry.StartSector;
        track.EndSector = next.StartSector - 1;
        track.Kind = entry.Flag == 0x10 ? QStringLiteral("Audio") : QStringLiteral("Data");
        tracks_.Add(TrackName(i + 1), track);
    }
}
