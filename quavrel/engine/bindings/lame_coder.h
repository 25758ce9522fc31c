#pragma once
// TLameCoder: the MP3 encoding settings and one encoder stream of the linked LAME_ENC library.

#include "platform/lame_enc/lame_enc.h"
#include "quavrel/engine/bindings/component_events.h"

#include <cstdint>
#include <vector>

#include <QObject>
#include <QString>
#include <QStringList>

enum class TLameMode : int32_t { STEREO, JSTEREO, DUALCHANNEL, MONO };
enum class MPEG_QUALITY : int32_t { NORMAL_QUALITY, LOW_QUALITY, HIGH_QUALITY, VOICE_QUALITY };

// The encoder library's version record as beVersion fills it.
class TLameVersion {
  public:
    // Reads the record from the library.
    TLameVersion();

    uint8_t DLLMajorVersion() const { return version_.byDLLMajorVersion; }
    uint8_t DLLMinorVersion() const { return version_.byDLLMinorVersion; }
    uint8_t MajorVersion() const { return version_.byMajorVersion; }
    uint8_t MinorVersion() const { return version_.byMinorVersion; }
    const BE_VERSION &Record() const { return version_; }

    // Copies the four version bytes.
    void Assign(const TLameVersion &Source);

  private:
    BE_VERSION version_{};
};

class TLameCoder : public QObject {
  public:
    explicit TLameCoder(QObject *Owner = nullptr);
    // Releases a stream still open.
    ~TLameCoder() override;

    // Rate of the PCM given, Hz.
    uint32_t SampleRate() const { return sampleRate_; }
    void SetSampleRate(uint32_t Value) { sampleRate_ = Value; }
    // Rate of the MP3, Hz, when it differs from the PCM's; 0 keeps the PCM's rate.
    uint32_t ReSampleRate() const { return reSampleRate_; }
    void SetReSampleRate(uint32_t Value) { reSampleRate_ = Value; }
    // kbit/s; the minimum when VBR is on.
    uint32_t Bitrate() const { return bitrate_; }
    void SetBitrate(uint32_t Value) { bitrate_ = Value; }
    uint32_t MaxBitrate() const { return maxBitrate_; }
    void SetMaxBitrate(uint32_t Value) { maxBitrate_ = Value; }
    MPEG_QUALITY Quality() const { return quality_; }
    void SetQuality(MPEG_QUALITY Value) { quality_ = Value; }
    bool Private() const { return private_; }
    void SetPrivate(bool Value) { private_ = Value; }
    bool CRC() const { return crc_; }
    void SetCRC(bool Value) { crc_ = Value; }
    TLameMode Mode() const { return mode_; }
    void SetMode(TLameMode Value) { mode_ = Value; }
    bool Copyright() const { return copyright_; }
    void SetCopyright(bool Value) { copyright_ = Value; }
    bool Original() const { return original_; }
    void SetOriginal(bool Value) { original_ = Value; }
    bool WriteVBRHeader() const { return writeVBRHeader_; }
    void SetWriteVBRHeader(bool Value) { writeVBRHeader_ = Value; }
    bool EnableVBR() const { return enableVBR_; }
    // Sets WriteVBRHeader to the same value.
    void SetEnableVBR(bool Value);
    int32_t VBRQuality() const { return vbrQuality_; }
    void SetVBRQuality(int32_t Value) { vbrQuality_ = Value; }

    const QStringList &InputFiles() const { return inputFiles_; }
    // Also makes OutputFiles: each input name with its extension replaced by DefaultExt.
    void SetInputFiles(const QStringList &Value);
    const QStringList &OutputFiles() const { return outputFiles_; }
    void SetOutputFiles(const QStringList &Value) { outputFiles_ = Value; }
    const TLameVersion &LameVersion() const { return lameVersion_; }
    const QString &DefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const QString &Value) { defaultExt_ = Value; }
    const QString &Mp3FileName() const { return mp3FileName_; }
    void SetMp3FileName(const QString &Value) { mp3FileName_ = Value; }

    TNotifyEvent OnBeginProcess;
    TNotifyEvent OnEndProcess;
    TProcessFileEvent OnBeginFile;
    TProcessFileEvent OnEndFile;
    TProgressEvent OnProgress;

    // Copies every encoding setting of Source (not the file lists, names or events).
    void Assign(const TLameCoder &Source);

    // The configuration record the current settings make; InitStream hands it to the library.
    BE_CONFIG ConfigRecord() const;

    // Opens a stream with the current settings (a stream still open is closed first). On
    // success Samples() and OutSize() tell the chunk size and the output buffer size.
    BE_ERR InitStream();
    // Encodes Samples() samples (channels interleaved) into Output (OutSize() bytes).
    BE_ERR EncodeChunk(const int16_t *Samples, uint8_t *Output, uint32_t *OutBytes);
    // The same for nSamples <= Samples() samples: the last, shorter chunk of a file.
    BE_ERR EncodeChunk(uint32_t nSamples, const int16_t *Samples, uint8_t *Output, uint32_t *OutBytes);
    // The encoder's last bytes.
    BE_ERR DeinitStream(uint8_t *Output, uint32_t *OutBytes);
    // With WriteVBRHeader on, after DeinitStream and once FileName holds every byte of the
    // stream (written and flushed): puts the finished Xing/Info frame at the start of the file.
    BE_ERR WriteInfoTag(const QString &FileName);
    // Releases the output buffer and the stream.
    BE_ERR CloseStream();

    uint32_t Samples() const { return samples_; }
    uint32_t OutSize() const { return outSize_; }
    // An output buffer of OutSize() bytes, owned by the component while the stream is open.
    uint8_t *OutBuffer() { return outBuffer_.empty() ? nullptr : outBuffer_.data(); }

  private:
    uint32_t sampleRate_ = 44100;
    uint32_t reSampleRate_ = 0;
    uint32_t bitrate_ = 128;
    uint32_t maxBitrate_ = 320;
    MPEG_QUALITY quality_ = MPEG_QUALITY::NORMAL_QUALITY;
    bool private_ = false;
    bool crc_ = true;
    TLameMode mode_ = TLameMode::STEREO;
    bool copyright_ = false;
    bool original_ = false;
    bool writeVBRHeader_ = false;
    bool enableVBR_ = false;
    int32_t vbrQuality_ = 4;
    QStringList inputFiles_;
    QStringList outputFiles_;
    TLameVersion lameVersion_;
    QString defaultExt_ = QStringLiteral(".mp3");
    QString mp3FileName_;

    HBE_STREAM stream_ = 0;
    uint32_t samples_ = 0;
    uint32_t outSize_ = 0;
    std::vector<uint8_t> outBuffer_;
};
