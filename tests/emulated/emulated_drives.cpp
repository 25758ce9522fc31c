#include "emulated_drives.h"

#include <cstdlib>
#include <drive_catalogue.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include <cdio_handle.h>
#include <gtest/gtest.h>

namespace emulatedtest {

namespace fs = std::filesystem;

std::string CuePath(const std::string &name)
{
    const char *dataDir = std::getenv("QUAVREL_DATA_DIR");
    return std::string(dataDir ? dataDir : ".") + "/discs/" + name + ".cue";
}

std::vector<int32_t> TrackStarts(const std::string &name)
{
    std::vector<int32_t> starts;
    const platform::CdioPtr cdio(cdio_open(CuePath(name).c_str(), DRIVER_BINCUE));
    EXPECT_NE(cdio, nullptr) << name;
    if (!cdio)
        return starts;
    for (track_t t = cdio_get_first_track_num(cdio.get()); t <= cdio_get_last_track_num(cdio.get()); ++t)
        starts.push_back(cdio_get_track_lsn(cdio.get(), t));
    starts.push_back(cdio_get_track_lsn(cdio.get(), CDIO_CDROM_LEADOUT_TRACK));
    return starts;
}

std::vector<uint8_t> BinSectors(const std::string &name, int32_t first, int32_t last)
{
    std::string bin = CuePath(name);
    bin.replace(bin.size() - 4, 4, ".bin");
    std::ifstream in(bin, std::ios::binary);
    std::vector<uint8_t> bytes(static_cast<size_t>(last - first + 1) * 2352);
    in.seekg(static_cast<std::streamoff>(first) * 2352);
    in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

EmulatedDrives::EmulatedDrives(const std::vector<std::string> &entries)
{
    std::string pattern = (fs::temp_directory_path() / "emulated-dev-XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    std::string spec;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string device = Device(static_cast<int>(i));
        std::ofstream{device};
        const size_t comma = entries[i].find(',');
        const std::string disc = entries[i].substr(0, comma);
        spec += (spec.empty() ? "" : ";") + device + "=" + (disc.starts_with('/') ? disc : CuePath(disc)) +
                (comma == std::string::npos ? "" : entries[i].substr(comma));
    }
    setenv("QUAVREL_EMULATED_DRIVES", spec.c_str(), 1);
    setenv("QUAVREL_DEVICE_DIR", dir_.c_str(), 1);
    setenv("QUAVREL_DRIVES", "", 1);
    drives::RebuildCatalogue();
    struct stat st {};
    EXPECT_TRUE(entries.empty() || (stat(Device(0).c_str(), &st) == 0 && S_ISBLK(st.st_mode)))
        << "libquavrel_emulated_drive.so is not preloaded";
}

EmulatedDrives::~EmulatedDrives()
{
    unsetenv("QUAVREL_EMULATED_DRIVES");
    unsetenv("QUAVREL_DEVICE_DIR");
    std::error_code ec;
    fs::remove_all(dir_, ec);
    drives::RebuildCatalogue();
}

std::string EmulatedDrives::Device(int number) const
{
    return dir_ + "/sr" + std::to_string(number);
}

} // namespace emulatedtest
