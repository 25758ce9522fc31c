#include "quavrel/engine/bindings/lame_coder.h"

#include "quavrel/engine/bindings/file_ext.h"

#include <QFile>

namespace {

// The library's 32-bit booleans: -1 for true.
int32_t LongBool(bool value)
{
    return value ? -1 : 0;
}

} // namespace

TLameVersion::TLameVersion()
{
    beVersion(&version_);
}

void TLameVersion::Assign(const TLameVersion &Source)
{
    version_.byDLLMajorVersion = Source.version_.byDLLMajorVersion;
    version_.byDLLMinorVersion = Source.version_.byDLLMinorVersion;
    version_.byMajorVersion = Source.version_.byMajorVersion;
    version_.byMinorVersion = Source.version_.byMinorVersion;
}

TLameCoder::TLameCoder(QObject *Owner) : QObject(Owner) {}

TLameCoder::~TLameCoder()
{
    if (stream_)
        beCloseStream(stream_);
}

void TLameCoder::SetEnableVBR(bool Value)
{
    enableVBR_ = Value;
    writeVBRHeader_ = Value;
}

void TLameCoder::SetInputFiles(const QStringList &Value)
{
    inputFiles_ = Value;
    outputFiles_.clear();
    for (const QString &name : inputFiles_)
        outputFiles_.append(ChangeFileExt(name, defaultExt_));
}

void TLameCoder::Assign(const TLameCoder &Source)
{
    sampleRate_ = Source.sampleRate_;
    reSampleRate_ = Source.reSampleRate_;
    mode_ = Source.mode_;
    bitrate_ = Source.bitrate_;
    maxBitrate_ = Source.maxBitrate_;
    quality_ = Source.quality_;
    private_ = Source.private_;
    crc_ = Source.crc_;
    copyright_ = Source.copyright_;
    original_ = Source.original_;
    writeVBRHeader_ = Source.writeVBRHeader_;
    enableVBR_ = Source.enableVBR_;
    vbrQuality_ = Source.vbrQuality_;
}

BE_CONFIG TLameCoder::ConfigRecord() const
{
    BE_CONFIG config{};
    config.dwConfig = BE_CONFIG_LAME;
    config.dwStructVersion = BE_CONFIG_VERSION;
    config.dwStructSize = sizeof(BE_CONFIG);
    config.dwSampleRate = sampleRate_;
    config.dwReSampleRate = reSampleRate_;
    config.nMode = static_cast<int32_t>(mode_);
    config.dwBitrate = bitrate_;
    config.dwMaxBitrate = maxBitrate_;
    config.nPreset = static_cast<int32_t>(quality_);
    config.dwMpegVersion = 1;
    config.dwPsyModel = 0;
    config.dwEmphasis = 0;
    config.bPrivate = LongBool(private_);
    config.bCRC = LongBool(crc_);
    config.bCopyright = LongBool(copyright_);
    config.bOriginal = LongBool(original_);
    config.bWriteVBRHeader = LongBool(writeVBRHeader_);
    config.bEnableVBR = LongBool(enableVBR_);
    config.nVBRQuality = vbrQuality_;
    return config;
}

BE_ERR TLameCoder::InitStream()
{
    if (stream_)
        CloseStream();
    BE_CONFIG config = ConfigRecord();
    uint32_t samples = 0;
    uint32_t outSize = 0;
    HBE_STREAM stream = 0;
    const BE_ERR result = beInitStream(&config, &samples, &outSize, &stream);
    if (result == BE_ERR_SUCCESSFUL) {
        stream_ = stream;
        samples_ = samples;
        outSize_ = outSize;
        outBuffer_.assign(outSize, 0);
    }
    return result;
}

BE_ERR TLameCoder::EncodeChunk(const int16_t *Samples, uint8_t *Output, uint32_t *OutBytes)
{
    return beEncodeChunk(stream_, samples_, Samples, Output, OutBytes);
}

BE_ERR TLameCoder::EncodeChunk(uint32_t nSamples, const int16_t *Samples, uint8_t *Output, uint32_t *OutBytes)
{
    return beEncodeChunk(stream_, nSamples, Samples, Output, OutBytes);
}

BE_ERR TLameCoder::DeinitStream(uint8_t *Output, uint32_t *OutBytes)
{
    return beDeinitStream(stream_, Output, OutBytes);
}

BE_ERR TLameCoder::WriteInfoTag(const QString &FileName)
{
    return beWriteInfoTag(stream_, QFile::encodeName(FileName).constData());
}

BE_ERR TLameCoder::CloseStream()
{
    outBuffer_.clear();
    outBuffer_.shrink_to_fit();
    const BE_ERR result = beCloseStream(stream_);
    stream_ = 0;
    samples_ = 0;
    outSize_ = 0;
    return result;
}
