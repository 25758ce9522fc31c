#include "cdio_image.h"

#include "list_parsers.h"
#include "regular_file.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace drives {
namespace {

namespace fs = std::filesystem;

bool IsRegularFile(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string LowerExtension(const std::string &imagePath)
{
    std::string extension = fs::path(imagePath).extension().string();
    for (char &c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

bool IsCueSheet(const std::string &imagePath)
{
    return LowerExtension(imagePath) == ".cue";
}

bool IsCdrdaoToc(const std::string &imagePath)
{
    return LowerExtension(imagePath) == ".toc";
}

// A cue sheet or a TOC file is a page of text; one this large is none.
constexpr size_t kImageTextLimit = 1024 * 1024;

// Why the image, or a data file its text names, cannot serve; empty when nothing stands in the
// way of libcdio. Every file libcdio would open must be a regular file: it opens a FIFO for
// reading, and waits for a writer for ever.
std::string ImageFileProblem(const std::string &imagePath)
{
    const bool cue = IsCueSheet(imagePath);
    const bool cdrdao = IsCdrdaoToc(imagePath);
    if (!cue && !cdrdao)
        return IsRegularFile(imagePath)
                   ? std::string()
                   : "image introuvable ou qui n'est pas un fichier ordinaire : " + imagePath;
    std::string text;
    switch (platform::ReadRegularFile(imagePath, kImageTextLimit, text)) {
    case platform::RegularFileRead::Ok:
        break;
    case platform::RegularFileRead::Missing:
    case platform::RegularFileRead::NotRegular:
        return "image introuvable ou qui n'est pas un fichier ordinaire : " + imagePath;
    case platform::RegularFileRead::TooLarge:
    case platform::RegularFileRead::Error:
        return "image illisible : " + imagePath;
    }
    const fs::path folder = fs::path(imagePath).parent_path();
    for (const std::string &name : ImageDataFiles(text, cdrdao)) {
        const fs::path data = fs::path(name).is_relative() ? folder / name : fs::path(name);
        struct stat st {};
        if (::stat(data.c_str(), &st) != 0) {
            // libcdio reads a cue sheet's audio from the .bin named like it, whatever FILE says.
            if (cdrdao)
                return "fichier audio introuvable : " + data.string();
        } else if (!S_ISREG(st.st_mode)) {
            return "le fichier audio n'est pas un fichier ordinaire : " + data.string();
        }
    }
    return {};
}

// A cue sheet's audio is the .bin named like it (libcdio reads that one whatever its FILE line
// says); other images hold their audio themselves.
fs::path DataFilePath(const std::string &imagePath)
{
    fs::path data(imagePath);
    if (IsCueSheet(imagePath))
        data.replace_extension(".bin");
    return data;
}

// Why the file holding the audio cannot serve, or empty.
std::string DataFileProblem(const std::string &imagePath)
{
    const fs::path data = DataFilePath(imagePath);
    struct stat st {};
    if (::stat(data.c_str(), &st) != 0)
        return "fichier audio introuvable : " + data.string();
    if (!S_ISREG(st.st_mode))
        return "le fichier audio n'est pas un fichier ordinaire : " + data.string();
    if (::access(data.c_str(), R_OK) != 0)
        return "fichier audio illisible : " + data.string();
    return {};
}

} // namespace

CdioImage CdioImage::OpenChecked(const std::string &path, std::string &Problem)
{
    Problem = ImageFileProblem(path);
    if (!Problem.empty())
        return {};
    Problem = DataFileProblem(path);
    if (!Problem.empty())
        return {};
    CdioImage image = Open(path, false);
    DiscToc toc;
    if (!image.IsOpen() || image.ReadToc(toc) != DriveError::None) {
        Problem = "image illisible : " + path;
        return {};
    }
    // libcdio takes the disc's end from the audio file's size: a cut file leaves tracks that start
    // past that end, or a size that is no whole number of sectors.
    const fs::path data = DataFilePath(path);
    std::error_code ec;
    const auto bytes = fs::file_size(data, ec);
    bool truncated = ec || (IsCueSheet(path) && bytes % 2352 != 0);
    for (size_t i = 0; i < toc.tracks.size() && !truncated; ++i)
        truncated = toc.tracks[i].startLba >= toc.leadOutLba ||
                    (i > 0 && toc.tracks[i].startLba <= toc.tracks[i - 1].startLba);
    if (truncated) {
        Problem = "fichier audio tronqué : " + data.string();
        return {};
    }
    return image;
}

CdioImage CdioImage::Open(const std::string &path, bool device)
{
    platform::SilenceCdioLog();
    CdioImage image;
    if (!device && !IsRegularFile(path))
        return image;
    image.handle_.reset(cdio_open(path.c_str(), device ? DRIVER_DEVICE : DRIVER_UNKNOWN));
    return image;
}

DriveError CdioImage::ReadToc(DiscToc &toc) const
{
    toc = DiscToc{};
    if (!handle_)
        return DriveError::NoMedium;
    CdIo_t *cdio = handle_.get();
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t last = cdio_get_last_track_num(cdio);
    if (first == CDIO_INVALID_TRACK || last == CDIO_INVALID_TRACK || first < 1 || last < first || last > 99)
        return DriveError::NoMedium;
    const lsn_t leadOut = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
    if (leadOut == CDIO_INVALID_LSN)
        return DriveError::NoMedium;
    toc.firstTrack = first;
    toc.lastTrack = last;
    toc.leadOutLba = leadOut;
    for (track_t t = first; t <= last; ++t) {
        const lsn_t start = cdio_get_track_lsn(cdio, t);
        if (start == CDIO_INVALID_LSN)
            return DriveError::NoMedium;
        toc.tracks.push_back({t, start, cdio_get_track_format(cdio, t) == TRACK_FORMAT_AUDIO});
    }
    return DriveError::None;
}

DriveError CdioImage::ReadSectors(int32_t lsn, int32_t count, void *buffer) const
{
    if (!handle_)
        return DriveError::NoMedium;
    if (count <= 0)
        return DriveError::None;
    return cdio_read_audio_sectors(handle_.get(), buffer, lsn, static_cast<uint32_t>(count)) ==
                   DRIVER_OP_SUCCESS
               ? DriveError::None
               : DriveError::ReadError;
}

} // namespace drives
