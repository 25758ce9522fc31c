// What the emulator itself promises beyond the drives' commands: the read offset, the data
// tracks through read(), and a malformed drive list refused as a whole.

#include "cdrip_linked.h"
#include "cdrip_test_support.h"
#include "emulated_drives.h"

#include <cerrno>
#include <fcntl.h>
#include <file_descriptor.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using emulatedtest::BinSectors;
using emulatedtest::CuePath;
using emulatedtest::EmulatedDrives;

TEST(Emulator, TheReadOffsetShiftsTheAudioAsAccurateRipCountsIt)
{
    // +6: the drive returns audio 6 samples early; -30: 30 samples late.
    EmulatedDrives drives({"demo,offset=6", "demo,offset=-30"});
    ASSERT_EQ(CR_Init(), CDRIP_OK);
    const std::vector<uint8_t> image = BinSectors("demo", 999, 1011);
    constexpr size_t kSector = 2352;
    const std::pair<int32_t, long> cases[] = {{0, -6 * 4}, {1, 30 * 4}};
    for (const auto &[drive, shift] : cases) {
        ASSERT_EQ(CR_SetActiveCDROM(drive), CDRIP_OK);
        cdriptest::Configure(cdriptest::Linked(), false);
        const cdriptest::RipOutcome rip = cdriptest::RipRange(cdriptest::Linked(), 1000, 1009);
        ASSERT_EQ(rip.data.size(), 10 * kSector);
        EXPECT_TRUE(
            std::equal(rip.data.begin(), rip.data.end(), image.begin() + static_cast<long>(kSector) + shift))
            << "drive " << drive;
    }
}

TEST(Emulator, DataTracksReadThroughTheBlockDeviceAndAudioDoesNot)
{
    EmulatedDrives drives({"mixed"});
    const platform::FileDescriptor device(open(drives.Device(0).c_str(), O_RDONLY));
    ASSERT_TRUE(device.IsOpen());
    const int fd = device.Get();
    struct stat st {};
    ASSERT_EQ(fstat(fd, &st), 0);
    EXPECT_TRUE(S_ISBLK(st.st_mode));

    const std::vector<uint8_t> raw = BinSectors("mixed", 16, 16);
    std::vector<uint8_t> data(2048);
    ASSERT_EQ(lseek(fd, 16 * 2048, SEEK_SET), 16 * 2048);
    ASSERT_EQ(read(fd, data.data(), data.size()), 2048);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), raw.begin() + 16))
        << "mode 1 user data follows the header";
    EXPECT_EQ(pread(fd, data.data(), data.size(), int64_t{600} * 2048), -1) << "sector 600 is audio";
    EXPECT_EQ(errno, EIO);
}

TEST(Emulator, AMalformedDriveListEmulatesNothing)
{
    EmulatedDrives drives({});
    const std::string device = drives.Directory() + "/sr0";
    {
        std::ofstream{device};
    }
    for (const char *options : {",offset=six", ",tray=ajar", ",faults=jitter=x"}) {
        setenv("QUAVREL_EMULATED_DRIVES", (device + "=" + CuePath("demo") + options).c_str(), 1);
        struct stat st {};
        ASSERT_EQ(stat(device.c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode)) << options;
    }
}

} // namespace
