#include "disc_image.h"

#include "cdrdao_toc.h"
#include "file_descriptor.h"
#include "list_parsers.h"
#include "regular_file.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include <cdio/cdtext.h>

namespace drives {

namespace fs = std::filesystem;

uint8_t ImageTrack::Control() const
{
    return static_cast<uint8_t>((fourChannel ? 8 : 0) | (audio ? 0 : 4) | (copyPermitted ? 2 : 0) |
                                (preEmphasis ? 1 : 0));
}

namespace {

// A cue sheet or a TOC file is a page of text; one this large is none. A CD-Text file holds at
// most 8 blocks of 256 packs.
constexpr size_t kImageTextLimit = 1024 * 1024;
constexpr size_t kCdTextFileLimit = 8 * 256 * kCdTextPackBytes + 4;

std::string LowerExtension(const std::string &imagePath)
{
    std::string extension = fs::path(imagePath).extension().string();
    for (char &c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

fs::path Beside(const std::string &imagePath, const std::string &name)
{
    const fs::path path(name);
    return path.is_relative() ? fs::path(imagePath).parent_path() / path : path;
}

std::string NotFound(const std::string &path)
{
    return "image introuvable ou qui n'est pas un fichier ordinaire : " + path;
}

// Why the file cannot be read as a data file (missing, not a regular file, unreadable), or empty.
std::string DataFileProblem(const fs::path &data, const char *what)
{
    struct stat st {};
    if (::stat(data.c_str(), &st) != 0)
        return std::string("fichier ") + what + " introuvable : " + data.string();
    if (!S_ISREG(st.st_mode))
        return std::string("le fichier ") + what + " n'est pas un fichier ordinaire : " + data.string();
    if (::access(data.c_str(), R_OK) != 0)
        return std::string("fichier ") + what + " illisible : " + data.string();
    return {};
}

// UTF-8 (as libcdio hands texts out) in Latin-1, the character code of the blocks we make; a
// character Latin-1 lacks becomes '?'. Text that is no UTF-8 stays as it is.
std::string Latin1Of(const std::string &utf8)
{
    std::string latin1;
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        size_t length = c < 0x80 ? 1 : (c >> 5) == 0x06 ? 2 : (c >> 4) == 0x0E ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > utf8.size())
            return utf8;
        uint32_t code = length == 1 ? c : c & (0xFF >> (length + 1));
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80)
                return utf8;
            code = code << 6 | (next & 0x3F);
        }
        latin1 += code < 0x100 ? static_cast<char>(code) : '?';
        i += length;
    }
    return latin1;
}

} // namespace

// ---- How the sectors are read ----

struct DiscImage::Source {
    virtual ~Source() = default;
    virtual bool Read(int32_t lsn, int32_t count, uint8_t *out) const = 0;
};

namespace {

// A cue sheet or an NRG image through libcdio; the cue sheet's silences are ours.
class CdioSource : public DiscImage::Source {
  public:
    struct Segment {
        int32_t first = 0; // disc sector
        int32_t count = 0;
        int32_t cdioLsn = -1; // libcdio's sector of `first`; -1: silence
    };
    CdioSource(CdioImage image, std::vector<Segment> segments)
        : image_(std::move(image)), segments_(std::move(segments))
    {
    }

    bool Read(int32_t lsn, int32_t count, uint8_t *out) const override
    {
        for (const Segment &segment : segments_) {
            const int32_t from = std::max(lsn, segment.first);
            const int32_t to = std::min(lsn + count, segment.first + segment.count);
            if (from >= to)
                continue;
            uint8_t *at = out + int64_t{from - lsn} * kSectorBytes;
            if (segment.cdioLsn < 0)
                std::memset(at, 0, static_cast<size_t>(to - from) * kSectorBytes);
            else if (image_.ReadSectors(segment.cdioLsn + from - segment.first, to - from, at) !=
                     DriveError::None)
                return false;
        }
        return true;
    }

  private:
    CdioImage image_;
    std::vector<Segment> segments_;
};

// A cdrdao TOC's tracks, each the bytes of its statements one after another.
class TocSource : public DiscImage::Source {
  public:
    struct Piece {
        int64_t bytes = 0;
        int file = -1; // index into files; -1: zeros
        int64_t offset = 0;
        bool swap = false; // raw audio: big-endian samples
    };
    struct Track {
        int32_t first = 0; // its first sector, pre-gap included
        int32_t sectors = 0;
        TocMode mode = TocMode::Audio;
        int32_t stride = 2352; // bytes a sector takes in the files, sub-channel data included
        std::vector<Piece> pieces;
    };

    std::vector<platform::FileDescriptor> files;
    std::vector<Track> tracks;

    bool Read(int32_t lsn, int32_t count, uint8_t *out) const override
    {
        for (int32_t i = 0; i < count; ++i)
            if (!Sector(lsn + i, out + int64_t{i} * kSectorBytes))
                return false;
        return true;
    }

  private:
    // The stream bytes [from, from + length) of track into out, zeros where it has no data.
    bool Bytes(const Track &track, int64_t from, int64_t length, uint8_t *out) const
    {
        std::memset(out, 0, static_cast<size_t>(length));
        int64_t begin = 0;
        for (const Piece &piece : track.pieces) {
            const int64_t lo = std::max(from, begin);
            const int64_t hi = std::min(from + length, begin + piece.bytes);
            if (lo < hi && piece.file >= 0) {
                const int fd = files[static_cast<size_t>(piece.file)].Get();
                size_t done = 0;
                const auto wanted = static_cast<size_t>(hi - lo);
                while (done < wanted) {
                    const ssize_t got = ::pread(fd, out + (lo - from) + done, wanted - done,
                                                piece.offset + (lo - begin) + static_cast<int64_t>(done));
                    if (got < 0 && errno == EINTR)
                        continue;
                    if (got < 0)
                        return false;
                    if (got == 0)
                        break; // past the file's end: zeros, as cdrdao pads
                    done += static_cast<size_t>(got);
                }
                // Stream offsets of audio are whole samples: the pairs line up.
                if (piece.swap)
                    for (int64_t i = lo - from; i + 1 < hi - from; i += 2)
                        std::swap(out[i], out[i + 1]);
            }
            begin += piece.bytes;
        }
        return true;
    }

    bool Sector(int32_t lsn, uint8_t *out) const
    {
        const auto found = std::find_if(tracks.begin(), tracks.end(), [lsn](const Track &t) {
            return lsn >= t.first && lsn < t.first + t.sectors;
        });
        if (found == tracks.end())
            return false;
        const Track &track = *found;
        std::vector<uint8_t> block(static_cast<size_t>(track.stride));
        if (!Bytes(track, int64_t{lsn - track.first} * track.stride, track.stride, block.data()))
            return false;
        const int32_t bytes = TocModeBlockBytes(track.mode);
        std::memset(out, 0, kSectorBytes);
        if (bytes == kSectorBytes) {
            std::memcpy(out, block.data(), kSectorBytes);
            return true;
        }
        // A data sector whose file holds less than the whole: sync and header made up, EDC and ECC
        // left zero (nothing of ours checks them).
        for (int i = 1; i <= 10; ++i)
            out[i] = 0xFF;
        const int32_t address = lsn + kLeadInFrames;
        const auto bcd = [](int32_t v) { return static_cast<uint8_t>((v / 10) << 4 | (v % 10)); };
        out[12] = bcd(address / 4500);
        out[13] = bcd(address / 75 % 60);
        out[14] = bcd(address % 75);
        out[15] = track.mode == TocMode::Mode1 ? 1 : track.mode == TocMode::Mode0 ? 0 : 2;
        size_t at = 16;
        if (track.mode == TocMode::Mode2Form1 || track.mode == TocMode::Mode2Form2) {
            const uint8_t submode = track.mode == TocMode::Mode2Form2 ? 0x20 : 0x08;
            const uint8_t subheader[8] = {0, 0, submode, 0, 0, 0, submode, 0};
            std::memcpy(out + at, subheader, 8);
            at += 8;
        }
        std::memcpy(out + at, block.data(), static_cast<size_t>(bytes));
        return true;
    }
};

// Where a WAVE file's samples are: the "data" chunk's offset and length; nullopt when it is none.
std::optional<std::pair<int64_t, int64_t>> WaveData(int fd, int64_t size)
{
    uint8_t header[12];
    if (::pread(fd, header, 12, 0) != 12 || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "WAVE", 4) != 0)
        return std::nullopt;
    int64_t at = 12;
    while (at + 8 <= size) {
        uint8_t chunk[8];
        if (::pread(fd, chunk, 8, at) != 8)
            return std::nullopt;
        const int64_t length =
            int64_t{chunk[4]} | int64_t{chunk[5]} << 8 | int64_t{chunk[6]} << 16 | int64_t{chunk[7]} << 24;
        if (std::memcmp(chunk, "data", 4) == 0)
            return std::make_pair(at + 8, std::min(length, size - at - 8));
        at += 8 + length + (length & 1);
    }
    return std::nullopt;
}

} // namespace

DiscImage::DiscImage() = default;
DiscImage::~DiscImage() = default;

DiscToc DiscImage::Toc() const
{
    DiscToc toc;
    toc.firstTrack = tracks_.front().number;
    toc.lastTrack = tracks_.back().number;
    for (const ImageTrack &track : tracks_)
        toc.tracks.push_back({track.number, track.start, track.audio});
    toc.leadOutLba = leadOut_;
    return toc;
}

bool DiscImage::ReadSectors(int32_t lsn, int32_t count, void *buffer) const
{
    if (count <= 0)
        return count == 0;
    if (lsn < 0 || int64_t{lsn} + count > leadOut_)
        return false;
    return source_->Read(lsn, count, static_cast<uint8_t *>(buffer));
}

namespace {

// ---- CUE/BIN and NRG through libcdio ----

// The packs of a CDTEXTFILE, with or without the 4-byte header READ TOC puts before them.
std::vector<uint8_t> CdTextFilePacks(const fs::path &file)
{
    std::string bytes;
    if (platform::ReadRegularFile(file, kCdTextFileLimit, bytes) != platform::RegularFileRead::Ok)
        return {};
    size_t skip = 0;
    if (bytes.size() % kCdTextPackBytes != 0 && (bytes.size() - 4) % kCdTextPackBytes == 0)
        skip = 4;
    else if (bytes.size() % kCdTextPackBytes == 1)
        bytes.pop_back(); // the NUL some writers end the file with
    if ((bytes.size() - skip) % kCdTextPackBytes != 0)
        return {};
    return {bytes.begin() + static_cast<long>(skip), bytes.end()};
}

// libcdio's texts, block by block, back into packs.
std::vector<uint8_t> CdioCdTextPacks(CdIo_t *cdio, int first, int last)
{
    cdtext_t *text = cdio_get_cdtext(cdio);
    if (!text)
        return {};
    std::vector<CdTextBlock> blocks;
    const cdtext_lang_t *languages = cdtext_list_languages(text);
    for (int b = 0; b < 8 && languages; ++b) {
        if (b > 0 &&
            (languages[b] == CDTEXT_LANGUAGE_UNKNOWN || languages[b] == CDTEXT_LANGUAGE_BLOCK_UNUSED))
            break;
        if (!cdtext_select_language(text, languages[b]))
            continue;
        CdTextBlock block;
        block.language = static_cast<uint8_t>(languages[b]);
        block.texts.resize(static_cast<size_t>(last - first + 2));
        static const std::pair<cdtext_field_t, uint8_t> kFields[] = {
            {CDTEXT_FIELD_TITLE, kCdTextTitle},           {CDTEXT_FIELD_PERFORMER, kCdTextPerformer},
            {CDTEXT_FIELD_SONGWRITER, kCdTextSongwriter}, {CDTEXT_FIELD_COMPOSER, kCdTextComposer},
            {CDTEXT_FIELD_ARRANGER, kCdTextArranger},     {CDTEXT_FIELD_MESSAGE, kCdTextMessage}};
        bool any = false;
        for (int t = 0; t <= last - first + 1; ++t)
            for (const auto &[field, type] : kFields)
                if (const char *value =
                        cdtext_get_const(text, field, static_cast<track_t>(t == 0 ? 0 : first + t - 1))) {
                    block.texts[static_cast<size_t>(t)][type] = Latin1Of(value);
                    any = true;
                }
        if (any)
            blocks.push_back(std::move(block));
    }
    return EncodeCdText(blocks, first, last);
}

} // namespace

namespace {

struct Built {
    std::vector<ImageTrack> tracks;
    int32_t leadOut = 0;
    std::string catalog;
    std::vector<uint8_t> cdText;
    std::unique_ptr<DiscImage::Source> source;
};

// CUE/BIN or NRG; Problem says why not.
std::optional<Built> FromCdio(const std::string &path, const std::string &text, std::string &Problem)
{
    const bool cue = LowerExtension(path) == ".cue";
    // libcdio reads a cue sheet's audio from the .bin named like it, whatever its FILE line says.
    fs::path data(path);
    if (cue)
        data.replace_extension(".bin");
    if (cue)
        for (const std::string &name : ImageDataFiles(text, false)) {
            struct stat st {};
            const fs::path file = Beside(path, name);
            if (::stat(file.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
                Problem = "le fichier audio n'est pas un fichier ordinaire : " + file.string();
                return std::nullopt;
            }
        }
    if (Problem = DataFileProblem(data, "audio"); !Problem.empty())
        return std::nullopt;
    CdioImage image = CdioImage::Open(path, false);
    DiscToc toc;
    if (!image.IsOpen() || image.ReadToc(toc) != DriveError::None) {
        Problem = "image illisible : " + path;
        return std::nullopt;
    }
    // libcdio takes the disc's end from the audio file's size: a cut file leaves tracks that start
    // past that end, or a size that is no whole number of sectors.
    std::error_code ec;
    const auto bytes = fs::file_size(data, ec);
    bool truncated = ec || (cue && bytes % kSectorBytes != 0);
    for (size_t i = 0; i < toc.tracks.size() && !truncated; ++i)
        truncated = toc.tracks[i].startLba >= toc.leadOutLba ||
                    (i > 0 && toc.tracks[i].startLba <= toc.tracks[i - 1].startLba);
    if (truncated) {
        Problem = "fichier audio tronqué : " + data.string();
        return std::nullopt;
    }

    CdIo_t *cdio = image.Handle();
    Built built;
    std::vector<CueGap> gaps = cue ? CueSheetGaps(text) : std::vector<CueGap>{};
    const auto gapOf = [&gaps](int number) {
        for (const CueGap &gap : gaps)
            if (gap.track == number)
                return gap;
        return CueGap{number, 0, 0};
    };
    // Each track's sectors in libcdio's count, from its INDEX 00 (or 01) to the next one's.
    // The first track's pre-gap is all before its INDEX 01, from the disc's first sector.
    std::vector<int32_t> libFirst;
    for (const TocTrack &track : toc.tracks) {
        const lsn_t pregap = cdio_get_track_pregap_lsn(cdio, static_cast<track_t>(track.number));
        libFirst.push_back(libFirst.empty() ? 0
                           : pregap != CDIO_INVALID_LSN && pregap >= 0 && pregap <= track.startLba &&
                                   pregap > libFirst.back()
                               ? pregap
                               : track.startLba);
    }
    std::vector<CdioSource::Segment> segments;
    int32_t shift = 0; // the silences added before the current position
    for (size_t i = 0; i < toc.tracks.size(); ++i) {
        const TocTrack &entry = toc.tracks[i];
        const auto number = static_cast<track_t>(entry.number);
        const CueGap gap = gapOf(entry.number);
        const int32_t libEnd = i + 1 < toc.tracks.size() ? libFirst[i + 1] : toc.leadOutLba;
        if (gap.pregap > 0)
            segments.push_back({libFirst[i] + shift, gap.pregap, -1});
        shift += gap.pregap;
        segments.push_back({libFirst[i] + shift, libEnd - libFirst[i], libFirst[i]});
        ImageTrack track;
        track.number = entry.number;
        track.start = entry.startLba + shift;
        track.pregap = libFirst[i] + shift - gap.pregap;
        track.audio = entry.audio;
        track.xa = cdio_get_track_format(cdio, number) == TRACK_FORMAT_XA;
        track.copyPermitted = cdio_get_track_copy_permit(cdio, number) == CDIO_TRACK_FLAG_TRUE;
        track.preEmphasis = cdio_get_track_preemphasis(cdio, number) == CDIO_TRACK_FLAG_TRUE;
        track.fourChannel = cdio_get_track_channels(cdio, number) == 4;
        if (char *isrc = cdio_get_track_isrc(cdio, number)) {
            // libcdio takes a cue sheet's ISRC line as it is; it reaches terminals, tags and cue sheets.
            const std::string text = isrc;
            cdio_free(isrc);
            if (text.size() == 12 &&
                text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789") == std::string::npos)
                track.isrc = text;
        }
        built.tracks.push_back(std::move(track));
        if (gap.postgap > 0)
            segments.push_back({libEnd + shift, gap.postgap, -1});
        shift += gap.postgap;
    }
    built.leadOut = toc.leadOutLba + shift;
    if (char *mcn = cdio_get_mcn(cdio)) {
        built.catalog = mcn;
        cdio_free(mcn);
        // All zeros is no catalogue number; anything but 13 digits (an NRG's bytes) is none either.
        if (built.catalog.size() != 13 ||
            built.catalog.find_first_not_of("0123456789") != std::string::npos ||
            built.catalog.find_first_not_of('0') == std::string::npos)
            built.catalog.clear();
    }
    const std::string cdTextFile = cue ? CueCdTextFile(text) : std::string();
    built.cdText = !cdTextFile.empty() ? CdTextFilePacks(Beside(path, cdTextFile))
                                       : CdioCdTextPacks(cdio, toc.firstTrack, toc.lastTrack);
    built.source = std::make_unique<CdioSource>(std::move(image), std::move(segments));
    return built;
}

// ---- cdrdao TOC ----

std::optional<Built> FromToc(const std::string &path, const std::string &text, std::string &Problem)
{
    const std::optional<CdrdaoToc> toc = ParseCdrdaoToc(text, Problem);
    if (!toc) {
        Problem = "image illisible : " + path + " (" + Problem + ")";
        return std::nullopt;
    }
    auto source = std::make_unique<TocSource>();
    std::vector<std::string> names;
    std::vector<int64_t> sizes;
    const auto fileIndex = [&](const std::string &name, int &index, int64_t &size) {
        const fs::path file = Beside(path, name);
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == file.string()) {
                index = static_cast<int>(i);
                size = sizes[i];
                return true;
            }
        const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            Problem = DataFileProblem(file, "audio");
            if (Problem.empty())
                Problem = "fichier audio illisible : " + file.string();
            return false;
        }
        platform::FileDescriptor owner(fd);
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            Problem = "le fichier audio n'est pas un fichier ordinaire : " + file.string();
            return false;
        }
        index = static_cast<int>(names.size());
        size = st.st_size;
        names.push_back(file.string());
        sizes.push_back(size);
        source->files.push_back(std::move(owner));
        return true;
    };

    Built built;
    built.catalog = toc->catalog;
    int32_t position = 0;
    for (size_t t = 0; t < toc->tracks.size(); ++t) {
        const CdrdaoTrack &entry = toc->tracks[t];
        TocSource::Track track;
        track.first = position;
        track.mode = entry.mode;
        track.stride = TocModeBlockBytes(entry.mode) + entry.subChannelBytes;
        const int64_t blockBytes = TocModeBlockBytes(entry.mode);
        // A value in the track's unit (samples or bytes) as bytes of its files.
        const auto streamBytes = [&](int64_t units) {
            return entry.Audio() ? units * 4 * track.stride / kSectorBytes
                                 : units * track.stride / blockBytes;
        };
        std::optional<int64_t> pregapBytes;
        for (size_t d = 0; d < entry.data.size(); ++d) {
            if (entry.pregapAfterData && *entry.pregapAfterData == d) {
                int64_t sum = 0;
                for (const TocSource::Piece &piece : track.pieces)
                    sum += piece.bytes;
                pregapBytes = sum;
            }
            const CdrdaoData &data = entry.data[d];
            TocSource::Piece piece;
            if (data.kind == CdrdaoData::Zeros) {
                piece.bytes = streamBytes(data.length.value_or(0));
            } else {
                int64_t size = 0;
                if (!fileIndex(data.file, piece.file, size))
                    return std::nullopt;
                const bool wave = data.audioFile && LowerExtension(data.file) == ".wav";
                int64_t begin = data.byteOffset;
                int64_t end = size;
                if (wave) {
                    const auto chunk = WaveData(source->files[static_cast<size_t>(piece.file)].Get(), size);
                    if (!chunk) {
                        Problem = "fichier WAVE illisible : " + names[static_cast<size_t>(piece.file)];
                        return std::nullopt;
                    }
                    begin += chunk->first;
                    end = chunk->first + chunk->second;
                }
                piece.swap = data.audioFile && !wave && entry.Audio();
                begin += data.audioFile ? streamBytes(data.start) : 0;
                piece.offset = begin;
                piece.bytes = data.length ? streamBytes(*data.length) : end - begin;
                if (begin > end || piece.bytes < 0 || begin + piece.bytes > end) {
                    Problem = std::string(entry.Audio() ? "fichier audio tronqué : "
                                                        : "fichier de données tronqué : ") +
                              names[static_cast<size_t>(piece.file)];
                    return std::nullopt;
                }
            }
            track.pieces.push_back(piece);
        }
        int64_t total = 0;
        for (const TocSource::Piece &piece : track.pieces)
            total += piece.bytes;
        if (entry.pregapAfterData && *entry.pregapAfterData >= entry.data.size())
            pregapBytes = total;
        if (entry.pregap)
            pregapBytes = streamBytes(*entry.pregap);
        const int64_t sectors = (total + track.stride - 1) / track.stride;
        const int64_t pregap = pregapBytes ? (*pregapBytes + track.stride - 1) / track.stride : 0;
        if (sectors <= pregap || int64_t{position} + sectors > 100 * 60 * 75) {
            Problem = "image illisible : " + path + " (piste " + std::to_string(t + 1) +
                      (sectors <= pregap ? " sans données après son pré-gap)" : " au-delà de 100 minutes)");
            return std::nullopt;
        }
        track.sectors = static_cast<int32_t>(sectors);
        ImageTrack image;
        image.number = static_cast<int>(t + 1);
        image.pregap = position;
        image.start = position + static_cast<int32_t>(pregap);
        for (const int32_t index : entry.indexes)
            if (index > 0 && index < sectors - pregap)
                image.indexes.push_back(image.start + index);
        image.audio = entry.Audio();
        image.xa = entry.mode != TocMode::Audio && entry.mode != TocMode::Mode1 &&
                   entry.mode != TocMode::Mode1Raw && entry.mode != TocMode::Mode0;
        image.copyPermitted = entry.copy;
        image.preEmphasis = entry.preEmphasis && image.audio;
        image.fourChannel = entry.fourChannel && image.audio;
        image.isrc = entry.isrc;
        built.tracks.push_back(std::move(image));
        position += track.sectors;
        source->tracks.push_back(std::move(track));
    }
    built.leadOut = position;

    // CD-Text: a block per language of the map that has text, the character code from its
    // SIZE_INFO (Latin-1 without one); a language the map does not name is left out, as cdrdao does.
    std::vector<CdTextBlock> blocks;
    for (const auto &[number, code] : toc->languages) {
        CdTextBlock block;
        block.language = static_cast<uint8_t>(code);
        block.texts.resize(toc->tracks.size() + 1);
        bool any = false;
        for (const CdrdaoToc::DiscText &disc : toc->cdText)
            if (disc.number == number) {
                block.texts[0] = disc.items;
                block.charset = disc.charset.value_or(kCdTextLatin1);
                any = any || !disc.items.empty();
            }
        for (size_t t = 0; t < toc->tracks.size(); ++t)
            for (const auto &[language, items] : toc->tracks[t].cdText)
                if (language == number) {
                    block.texts[t + 1] = items;
                    any = any || !items.empty();
                }
        if (any)
            blocks.push_back(std::move(block));
    }
    built.cdText = EncodeCdText(blocks, 1, static_cast<int>(toc->tracks.size()));
    built.source = std::move(source);
    return built;
}

} // namespace

std::unique_ptr<DiscImage> DiscImage::Open(const std::string &path, std::string &Problem)
{
    Problem.clear();
    platform::SilenceCdioLog();
    const std::string extension = LowerExtension(path);
    std::string text;
    if (extension == ".cue" || extension == ".toc") {
        switch (platform::ReadRegularFile(path, kImageTextLimit, text)) {
        case platform::RegularFileRead::Ok:
            break;
        case platform::RegularFileRead::Missing:
        case platform::RegularFileRead::NotRegular:
            Problem = NotFound(path);
            return nullptr;
        case platform::RegularFileRead::TooLarge:
        case platform::RegularFileRead::Error:
            Problem = "image illisible : " + path;
            return nullptr;
        }
    } else {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            Problem = NotFound(path);
            return nullptr;
        }
    }
    if (extension == ".cue") {
        // libcdio opens the CD-Text file it names: a FIFO there would hold it up for ever.
        const std::string cdText = CueCdTextFile(text);
        struct stat st {};
        if (!cdText.empty() && ::stat(Beside(path, cdText).c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            Problem = "le fichier CD-Text n'est pas un fichier ordinaire : " + Beside(path, cdText).string();
            return nullptr;
        }
    }
    std::optional<Built> built =
        extension == ".toc" ? FromToc(path, text, Problem) : FromCdio(path, text, Problem);
    if (!built)
        return nullptr;
    if (built->tracks.empty() || built->tracks.size() > 99 || built->leadOut <= built->tracks.back().start) {
        Problem = "image illisible : " + path;
        return nullptr;
    }
    std::unique_ptr<DiscImage> image(new DiscImage());
    image->tracks_ = std::move(built->tracks);
    image->leadOut_ = built->leadOut;
    image->catalog_ = std::move(built->catalog);
    image->cdText_ = std::move(built->cdText);
    image->source_ = std::move(built->source);
    return image;
}

} // namespace drives
