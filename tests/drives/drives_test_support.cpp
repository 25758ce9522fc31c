#include "drives_test_support.h"

#include "../emulated/emulated_device_of.h"

#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

namespace drivestest {

std::string DiscPath(const std::string &name)
{
    const char *data = std::getenv("QUAVREL_DATA_DIR");
    return std::string(data ? data : ".") + "/discs/" + name + ".cue";
}

std::vector<uint8_t> BinSectors(const std::string &name, int32_t lsn, int32_t count)
{
    std::string path = DiscPath(name);
    path.replace(path.size() - 4, 4, ".bin");
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes(static_cast<size_t>(count) * drives::kSectorBytes);
    file.seekg(static_cast<std::streamoff>(lsn) * drives::kSectorBytes);
    file.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(file) << "cannot read " << path;
    return bytes;
}

size_t IndexOf(const std::string &imagePath)
{
    const std::vector<drives::DriveInfo> all = drives::Drives();
    const std::string device = emulatedtest::EmulatedDeviceOf(imagePath);
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i].path == imagePath || (!device.empty() && all[i].path == device))
            return i;
    ADD_FAILURE() << imagePath << " is not in the catalogue";
    return all.size();
}

ScopedEnvironment::ScopedEnvironment(const char *name, std::optional<std::string> value) : name_(name)
{
    if (const char *previous = std::getenv(name))
        previous_ = previous;
    if (value)
        setenv(name, value->c_str(), 1);
    else
        unsetenv(name);
    drives::RebuildCatalogue();
}

ScopedEnvironment::~ScopedEnvironment()
{
    if (previous_)
        setenv(name_.c_str(), previous_->c_str(), 1);
    else
        unsetenv(name_.c_str());
    drives::RebuildCatalogue();
}

ManualClock::ManualClock() : now_(std::chrono::steady_clock::now())
{
    drives::SetClockSource([this] { return now_; });
}

ManualClock::~ManualClock()
{
    drives::SetClockSource({});
}

} // namespace drivestest
