#pragma once
// The ripper component's value types: output formats, the drive table and one track.

#include <cstdint>

#include <QString>

enum class TOutputFormat : uint8_t { STEREO44100, MONO44100, STEREO22050, MONO22050, STEREO11025, MONO11025 };

// Channels and sample rate an output format means, for the files and for the MP3 coder.
int OutputChannels(TOutputFormat Format);
int OutputRate(TOutputFormat Format);

enum class TDriveType : int32_t {
    GENERIC,
    TOSHIBA,
    TOSHIBANEW,
    IBM,
    NEC,
    DEC,
    IMS,
    KODAK,
    RICOH,
    HP,
    PHILIPS,
    PLASMON,
    GRUNDIGCDR100IPW,
    MITSUMICDR,
    PLEXTOR,
    SONY,
    YAMAHA,
    NRC,
    IMSCDD5,
    CUSTOMDRIVE
};
enum class TReadMethod : int32_t {
    READMMC,
    READ10,
    READNEC,
    READSONY,
    READMMC2,
    READMMC3,
    READC1,
    READC2,
    READC3
};
enum class TSetSpeed : int32_t {
    SPEEDNONE,
    SPEEDMMC,
    SPEEDSONY,
    SPEEDYAMAHA,
    SPEEDTOSHIBA,
    SPEEDPHILIPS,
    SPEEDNEC
};
enum class TEndian : int32_t { BIGENDIAN, LITTLEENDIAN };
enum class TEnableMode : int32_t { ENABLENONE, ENABLESTD };

// Mirror of the drive table inside the ripping library's parameter record: seven 32-bit fields.
// Enumeration setters store the ordinal masked with 0x7F.
class TDriveTableClass {
  public:
    TDriveType DriveType() const { return static_cast<TDriveType>(fields_[0]); }
    void SetDriveType(TDriveType Value) { fields_[0] = Masked(Value); }
    TReadMethod ReadMethod() const { return static_cast<TReadMethod>(fields_[1]); }
    void SetReadMethod(TReadMethod Value) { fields_[1] = Masked(Value); }
    TSetSpeed SetSpeed() const { return static_cast<TSetSpeed>(fields_[2]); }
    void SetSetSpeed(TSetSpeed Value) { fields_[2] = Masked(Value); }
    TEndian Endian() const { return static_cast<TEndian>(fields_[3]); }
    void SetEndian(TEndian Value) { fields_[3] = Masked(Value); }
    TEnableMode EnableMode() const { return static_cast<TEnableMode>(fields_[4]); }
    void SetEnableMode(TEnableMode Value) { fields_[4] = Masked(Value); }
    int32_t Density() const { return fields_[5]; }
    void SetDensity(int32_t Value) { fields_[5] = Value; }
    bool Atapi() const { return fields_[6] != 0; }
    void SetAtapi(bool Value) { fields_[6] = Value ? -1 : 0; }

    // The seven fields in record order.
    const int32_t *Fields() const { return fields_; }
    void SetFields(const int32_t *Values);

  private:
    template <typename E> static int32_t Masked(E Value) { return static_cast<int32_t>(Value) & 0x7F; }
    int32_t fields_[7] = {};
};

// One track of the disc: an inclusive sector range and its kind, "Audio" or "Data".
struct TTrack {
    int32_t Number = 0;
    int32_t StartSector = 0;
    int32_t EndSector = 0;
    QString Kind;
};

// "Track" and the number with at least two digits: Track01, Track12, Track100.
QString TrackName(int Number);
