#include "catalogue_sources.h"

#include "cdio_image.h"
#include "config_dir.h"
#include "data_files.h"
#include "list_parsers.h"
#include "regular_file.h"

#include <algorithm>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <sys/stat.h>

#include <cdio/cdio.h>

namespace drives {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> SplitPaths(const std::string &text)
{
    std::vector<std::string> paths;
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t end = text.find(':', begin);
        if (end == std::string::npos)
            end = text.size();
        if (end > begin)
            paths.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return paths;
}

fs::path ConfigDir()
{
    return platform::QuavrelConfigDir();
}

// The drives file's entries. One that cannot be read (a FIFO, a device, over the size limit)
// lists nothing: it is never opened for reading, so it cannot hold up the start.
std::vector<std::string> DrivesFileEntries()
{
    const fs::path dir = ConfigDir();
    if (dir.empty())
        return {};
    std::string text;
    if (platform::ReadRegularFile(dir / "drives", platform::kSettingsFileLimit, text) !=
        platform::RegularFileRead::Ok)
        return {};
    return ParseDriveList(text, dir.string());
}

// INQUIRY texts come space-padded to their field's width.
std::string Truncated(std::string text, size_t length)
{
    if (text.size() > length)
        text.resize(length);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    return text;
}

// QUAVREL_DEVICE_DIR stands in for /dev, so that tests can place drives of their own.
fs::path DeviceDir()
{
    if (const char *dir = std::getenv("QUAVREL_DEVICE_DIR"); dir && *dir)
        return dir;
    return "/dev";
}

} // namespace

std::vector<DriveInfo> RealDrives()
{
    std::vector<std::pair<int, std::string>> found;
    std::error_code ec;
    for (const fs::directory_entry &entry : fs::directory_iterator(DeviceDir(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() < 3 || !name.starts_with("sr") ||
            !std::all_of(name.begin() + 2, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        struct stat st {};
        if (stat(entry.path().c_str(), &st) == 0 && S_ISBLK(st.st_mode))
            found.emplace_back(std::stoi(name.substr(2)), entry.path().string());
    }
    std::sort(found.begin(), found.end());

    std::vector<DriveInfo> drives;
    for (const auto &[number, path] : found) {
        DriveInfo info;
        info.kind = DriveKind::Real;
        info.path = path;
        CdioImage device = CdioImage::Open(path, true);
        cdio_hwinfo_t hw{};
        if (device.IsOpen() && cdio_get_hwinfo(device.Handle(), &hw)) {
            info.vendor = Truncated(hw.psz_vendor, 8);
            info.product = Truncated(hw.psz_model, 16);
            info.revision = Truncated(hw.psz_revision, 4);
        }
        info.description = info.vendor.empty()
                               ? path
                               : info.vendor + " " + info.product + " " + info.revision + " (" + path + ")";
        drives.push_back(std::move(info));
    }
    return drives;
}

std::string DemoDiscPath()
{
    // Found from this library's own place: installed among the private libraries, or in the build tree.
    Dl_info module{};
    fs::path moduleDir;
    if (dladdr(reinterpret_cast<const void *>(&DemoDiscPath), &module) && module.dli_fname)
        moduleDir = fs::path(module.dli_fname).parent_path();
    return platform::DataFile(moduleDir, platform::kPrivateLibraryToInstalledData, "discs/demo.cue").string();
}

namespace {

// A pipe or a socket listed as an image would block the program at its first open: only files and
// devices are drives. An entry that does not exist yet stays, and shows why it cannot serve.
bool MayBeImage(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode) || S_ISBLK(st.st_mode);
}

} // namespace

std::vector<std::string> ImagePaths(bool haveRealDrives)
{
    if (const char *listed = std::getenv("QUAVREL_DRIVES")) {
        std::vector<std::string> paths = SplitPaths(listed);
        std::erase_if(paths, [](const std::string &path) { return !MayBeImage(path); });
        return paths;
    }
    std::vector<std::string> paths = DrivesFileEntries();
    std::erase_if(paths, [](const std::string &path) { return !MayBeImage(path); });
    if (paths.empty() && !haveRealDrives)
        paths.push_back(DemoDiscPath());
    return paths;
}

DriveInfo DescribeImage(const std::string &path)
{
    DriveInfo info;
    info.kind = DriveKind::Virtual;
    info.path = path;
    info.vendor = "QUAVREL";
    info.product = "Virtual CD-ROM";
    info.revision = "1.0";
    info.description = info.vendor + " " + info.product + " " + info.revision + " (" +
                       fs::path(path).filename().string() + ")";
    return info;
}

} // namespace drives
