// What the emulator itself promises beyond the drives' commands: the read offset, the data
// tracks through read(), copies of a descriptor, the faults secure ripping has to beat (read
// through SG_IO as a ripper reads them), no other descriptor held up by a slow drive, a broken
// image, a malformed drive list refused as a whole, and a disc's contents read from its
// sub-channel as the image holds them.

#include "cdrip_linked.h"
#include "cdrip_test_support.h"
#include "emulated_drives.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <drive_catalogue.h>
#include <fcntl.h>
#include <file_descriptor.h>
#include <filesystem>
#include <fstream>
#include <linux/cdrom.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using emulatedtest::BinSectors;
using emulatedtest::CuePath;
using emulatedtest::EmulatedDrives;

constexpr size_t kSector = 2352;

struct Reply {
    int result = -1; // of ioctl
    uint8_t status = 0xFF;
    uint8_t senseKey = 0;
    uint8_t asc = 0;
    std::vector<uint8_t> data;
};

// One command through SG_IO, as rippers send them to an sr device.
Reply Scsi(int fd, std::vector<uint8_t> cdb, size_t length, std::vector<uint8_t> toDevice = {})
{
    Reply reply;
    reply.data = toDevice.empty() ? std::vector<uint8_t>(length) : toDevice;
    std::array<uint8_t, 32> sense{};
    sg_io_hdr_t io{};
    io.interface_id = 'S';
    io.cmd_len = static_cast<unsigned char>(cdb.size());
    io.cmdp = cdb.data();
    io.dxfer_direction = toDevice.empty() ? (length ? SG_DXFER_FROM_DEV : SG_DXFER_NONE) : SG_DXFER_TO_DEV;
    io.dxferp = reply.data.data();
    io.dxfer_len = static_cast<unsigned>(reply.data.size());
    io.sbp = sense.data();
    io.mx_sb_len = sense.size();
    reply.result = ioctl(fd, SG_IO, &io);
    reply.status = io.status;
    reply.senseKey = sense[2] & 0x0F;
    reply.asc = sense[12];
    return reply;
}

// READ CD of one CD-DA sector; c2Field 1 adds the 294 C2 pointer bytes, 2 the block variant.
Reply ReadCd(int fd, int32_t lsn, uint8_t c2Field = 0)
{
    const auto lba = static_cast<uint32_t>(lsn);
    return Scsi(fd,
                {0xBE, 0x04, static_cast<uint8_t>(lba >> 24), static_cast<uint8_t>(lba >> 16),
                 static_cast<uint8_t>(lba >> 8), static_cast<uint8_t>(lba), 0, 0, 1,
                 static_cast<uint8_t>(0x10 | c2Field << 1), 0, 0},
                kSector + (c2Field == 0   ? 0
                           : c2Field == 1 ? 294
                                          : 296));
}

std::vector<uint8_t> Audio(const Reply &reply)
{
    return {reply.data.begin(), reply.data.begin() + static_cast<long>(std::min(kSector, reply.data.size()))};
}

// READ(10) of one sector with FUA, in whole sectors (MODE SELECT sets the block length first).
Reply ReadWithFua(int fd, int32_t lsn)
{
    const Reply selected = Scsi(fd, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 16, 0}, 16,
                                {0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0x00, 0x09, 0x30});
    EXPECT_EQ(selected.status, 0);
    const auto lba = static_cast<uint32_t>(lsn);
    return Scsi(fd,
                {0x28, 0x08, static_cast<uint8_t>(lba >> 24), static_cast<uint8_t>(lba >> 16),
                 static_cast<uint8_t>(lba >> 8), static_cast<uint8_t>(lba), 0, 0, 1, 0},
                kSector);
}

platform::FileDescriptor OpenDevice(const EmulatedDrives &drives, int number)
{
    platform::FileDescriptor device(open(drives.Device(number).c_str(), O_RDONLY | O_NONBLOCK));
    EXPECT_TRUE(device.IsOpen()) << drives.Device(number);
    return device;
}

TEST(Emulator, TheReadOffsetShiftsTheAudioAsAccurateRipCountsIt)
{
    // +6: the drive returns audio 6 samples early; -30: 30 samples late.
    EmulatedDrives drives({"demo,offset=6", "demo,offset=-30"});
    ASSERT_EQ(CR_Init(), CDRIP_OK);
    const std::vector<uint8_t> image = BinSectors("demo", 999, 1011);
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

TEST(Emulator, CopiesOfADescriptorAreTheDriveAndAnswerTheSgIoctls)
{
    EmulatedDrives drives({"demo"});
    const int original = open(drives.Device(0).c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(original, 0);
    const int copies[] = {dup(original), fcntl(original, F_DUPFD, 100), fcntl(original, F_DUPFD_CLOEXEC, 0),
                          dup2(original, 200), dup3(original, 201, O_CLOEXEC)};
    for (const int copy : copies) {
        SCOPED_TRACE(copy);
        ASSERT_GE(copy, 0);
        int value = 0;
        EXPECT_EQ(ioctl(copy, SG_EMULATED_HOST, &value), 0);
        EXPECT_EQ(value, 1);
        EXPECT_EQ(ioctl(copy, SG_GET_VERSION_NUM, &value), 0);
        EXPECT_GE(value, 30000);
        value = 1 << 20;
        EXPECT_EQ(ioctl(copy, SG_SET_RESERVED_SIZE, &value), 0);
        EXPECT_EQ(ioctl(copy, SG_GET_RESERVED_SIZE, &value), 0);
        EXPECT_GE(value, 27 * 2352) << "capped to what one transfer may move, never 0";
        EXPECT_LT(value, 1 << 20);
        sg_scsi_id id{};
        EXPECT_EQ(ioctl(copy, SG_GET_SCSI_ID, &id), 0);
        EXPECT_EQ(id.scsi_type, TYPE_ROM);
        EXPECT_EQ(Scsi(copy, {0x12, 0, 0, 0, 36, 0}, 36).status, 0);
    }
    // Copies share one position, as one open file's descriptors do.
    ASSERT_EQ(lseek(copies[0], 4096, SEEK_SET), 4096);
    EXPECT_EQ(lseek(copies[1], 0, SEEK_CUR), 4096);
    // Closing the original leaves the copies the drive; a closed copy is the plain file again.
    close(original);
    EXPECT_EQ(ReadCd(copies[3], 100).status, 0);
    close(copies[3]);
    std::ofstream{drives.Directory() + "/plain"};
    ASSERT_EQ(dup2(open((drives.Directory() + "/plain").c_str(), O_RDONLY), 200), 200);
    struct stat st {};
    ASSERT_EQ(fstat(200, &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    close(200);
    for (const int copy : copies)
        if (copy != 200)
            close(copy);
}

TEST(Emulator, BitErrorsDifferOnEveryReadRepeatAcrossRunsAndTheirC2PointersFlagThem)
{
    // Drives 0 and 1 alike (one run, then the same again); drive 2 damages without telling.
    EmulatedDrives drives({"demo,faults=bits=1000-1001:c2:seed=3", "demo,faults=bits=1000-1001:c2:seed=3",
                           "demo,faults=bits=1000:seed=3"});
    const std::vector<uint8_t> image = BinSectors("demo", 1000, 1000);
    const platform::FileDescriptor run(OpenDevice(drives, 0)), rerun(OpenDevice(drives, 1)),
        silent(OpenDevice(drives, 2));

    const Reply first = ReadCd(run.Get(), 1000, 1);
    const Reply second = ReadCd(run.Get(), 1000, 2);
    ASSERT_EQ(first.status, 0);
    ASSERT_EQ(second.status, 0);
    EXPECT_NE(Audio(first), image);
    EXPECT_NE(Audio(second), image);
    EXPECT_NE(Audio(first), Audio(second)) << "each read damages other bytes";
    EXPECT_EQ(ReadCd(rerun.Get(), 1000, 1).data, first.data)
        << "the same drive and reads give the same damage";
    for (const Reply *reply : {&first, &second}) {
        // A pointer bit for every byte that differs from the disc, and none for the others.
        uint8_t blockOr = 0;
        for (size_t byte = 0; byte < kSector; ++byte) {
            const bool flagged = reply->data[kSector + byte / 8] & (0x80 >> byte % 8);
            const bool damaged = reply->data[byte] != image[byte];
            ASSERT_EQ(flagged, damaged) << "byte " << byte;
            blockOr |= reply->data[kSector + byte / 8];
        }
        if (reply == &second) {
            EXPECT_EQ(reply->data[kSector + 294], blockOr) << "the block error byte is the pointers' OR";
        }
    }
    const Reply quiet = ReadCd(silent.Get(), 1000, 1);
    EXPECT_NE(Audio(quiet), image);
    EXPECT_TRUE(std::all_of(quiet.data.begin() + kSector, quiet.data.end(), [](uint8_t b) { return b == 0; }))
        << "a drive that reports no C2 flags nothing";
    EXPECT_EQ(Audio(ReadCd(silent.Get(), 1001)), BinSectors("demo", 1001, 1001));
}

TEST(Emulator, AFirstReadErrorReadsWrongThenRightAndACachedOneStaysWrongUntilFuaOrEviction)
{
    // No cache; a cache of 8 sectors honouring FUA; the same ignoring it.
    EmulatedDrives drives({"demo,faults=firstread=500:c2", "demo,cache=8,faults=firstread=500",
                           "demo,cache=8,nofua,faults=firstread=500"});
    const std::vector<uint8_t> image = BinSectors("demo", 500, 500);
    const platform::FileDescriptor plain(OpenDevice(drives, 0)), honours(OpenDevice(drives, 1)),
        ignores(OpenDevice(drives, 2));

    const Reply wrong = ReadCd(plain.Get(), 500, 1);
    EXPECT_NE(Audio(wrong), image);
    EXPECT_TRUE(std::any_of(wrong.data.begin() + kSector, wrong.data.end(), [](uint8_t b) { return b; }));
    EXPECT_EQ(Audio(ReadCd(plain.Get(), 500)), image) << "read again from the disc";

    for (const int fd : {honours.Get(), ignores.Get()}) {
        const std::vector<uint8_t> cachedWrong = Audio(ReadCd(fd, 500));
        EXPECT_NE(cachedWrong, image);
        EXPECT_EQ(Audio(ReadCd(fd, 500)), cachedWrong) << "served from the cache, wrong as it was read";
    }
    EXPECT_EQ(Audio(ReadWithFua(honours.Get(), 500)), image) << "FUA reads the disc";
    EXPECT_NE(Audio(ReadWithFua(ignores.Get(), 500)), image) << "this drive serves FUA from its cache";
    for (int32_t other = 600; other < 607; ++other)
        ReadCd(ignores.Get(), other);
    EXPECT_NE(Audio(ReadCd(ignores.Get(), 500)), image) << "still among the 8 last sectors read";
    ReadCd(ignores.Get(), 607);
    EXPECT_EQ(Audio(ReadCd(ignores.Get(), 500)), image) << "pushed out of the cache: read from the disc";
}

TEST(Emulator, SetCdSpeedChangesTheCurrentSpeedUpToTheDrivesMaximum)
{
    EmulatedDrives drives({"demo,speed=8"});
    const platform::FileDescriptor device(OpenDevice(drives, 0));
    auto speeds = [&] {
        const Reply page = Scsi(device.Get(), {0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 64, 0}, 64);
        EXPECT_EQ(page.status, 0);
        return std::pair<int, int>{page.data[8 + 8] << 8 | page.data[8 + 9],
                                   page.data[8 + 14] << 8 | page.data[8 + 15]};
    };
    EXPECT_EQ(speeds(), std::pair(1411, 1411)) << "8x is 1411 kB/s";
    auto setSpeed = [&](uint16_t kBps) {
        return Scsi(device.Get(),
                    {0xBB, 0, static_cast<uint8_t>(kBps >> 8), static_cast<uint8_t>(kBps), 0xFF, 0xFF, 0, 0,
                     0, 0, 0, 0},
                    0)
            .status;
    };
    EXPECT_EQ(setSpeed(706), 0);
    EXPECT_EQ(speeds().second, 706);
    EXPECT_EQ(setSpeed(7056), 0);
    EXPECT_EQ(speeds().second, 1411) << "never above the maximum";
    EXPECT_EQ(ioctl(device.Get(), CDROM_SELECT_SPEED, 2), 0);
    EXPECT_EQ(speeds().second, 352);
}

TEST(Emulator, OtherDescriptorsAndTheDrivesStatusGoOnWhileAReadTakesItsTime)
{
    EmulatedDrives drives({"demo,faults=slow=3000", "demo"});
    const platform::FileDescriptor slow(OpenDevice(drives, 0)), status(OpenDevice(drives, 0)),
        other(OpenDevice(drives, 1));
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    std::atomic<bool> started = false;
    std::atomic<bool> done = false;
    std::thread reader([&] {
        started = true;
        ReadCd(slow.Get(), 100);
        done = true;
    });
    while (!started)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // into the read's wait
    for (int i = 0; i < 100; ++i) {
        char byte = 'x';
        ASSERT_EQ(write(pipeFds[1], &byte, 1), 1);
        ASSERT_EQ(read(pipeFds[0], &byte, 1), 1);
    }
    EXPECT_EQ(Scsi(other.Get(), {0, 0, 0, 0, 0, 0}, 0).status, 0);
    EXPECT_EQ(Scsi(status.Get(), {0, 0, 0, 0, 0, 0}, 0).status, 0);
    EXPECT_FALSE(done) << "the pipe and both drives answered while the slow read still waited";
    reader.join();
    close(pipeFds[0]);
    close(pipeFds[1]);
}

TEST(Emulator, ATruncatedImageIsAnUnreadableDiscThatSaysWhyThroughTheSeam)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "emulated-cut";
    std::filesystem::create_directories(folder);
    std::string bin = CuePath("demo");
    bin.replace(bin.size() - 3, 3, "bin");
    std::filesystem::copy_file(CuePath("demo"), folder / "cut.cue",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(bin, folder / "cut.bin", std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(folder / "cut.bin", std::filesystem::file_size(bin) / 2);
    {
        EmulatedDrives drives({(folder / "cut.cue").string()});
        const platform::FileDescriptor device(OpenDevice(drives, 0));
        const Reply ready = Scsi(device.Get(), {0, 0, 0, 0, 0, 0}, 0);
        EXPECT_EQ(ready.status, 2);
        EXPECT_EQ(ready.senseKey, 3) << "MEDIUM ERROR";
        EXPECT_EQ(ready.asc, 0x57) << "unable to recover the table of contents";
        EXPECT_EQ(ioctl(device.Get(), CDROM_DRIVE_STATUS, 0), CDS_NO_DISC);
        EXPECT_EQ(drives::MediumProblem(0), "fichier audio tronqué : " + (folder / "cut.bin").string())
            << "the catalogue's own words";
    }
    std::filesystem::remove_all(folder);
}

TEST(Emulator, AMalformedDriveListEmulatesNothing)
{
    EmulatedDrives drives({});
    const std::string device = drives.Directory() + "/sr0";
    {
        std::ofstream{device};
    }
    for (const char *options : {",offset=six", ",tray=ajar", ",faults=jitter=x", ",speed=0", ",cache=-1",
                                ",faults=bits=5:c3", ",faults=firstread=9-2", ",faults=c2=0-2000000"}) {
        setenv("QUAVREL_EMULATED_DRIVES", (device + "=" + CuePath("demo") + options).c_str(), 1);
        struct stat st {};
        ASSERT_EQ(stat(device.c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode)) << options;
    }
}

TEST(Emulator, TheSubChannelGivesTheImagesPregapsIsrcsCatalogueAndCdText)
{
    // The same images as emulated drives and as virtual ones: the pre-gaps found in the Q
    // sub-channel (its catalogue and ISRC frames in between), the rest from READ SUB-CHANNEL and
    // READ TOC, all as the image describes them.
    const std::string toc = CuePath("contents").replace(CuePath("contents").size() - 4, 4, ".toc");
    EmulatedDrives emulated({"contents", toc, "mixed", "demo"});
    setenv("QUAVREL_DRIVES",
           (CuePath("contents") + ":" + toc + ":" + CuePath("mixed") + ":" + CuePath("demo")).c_str(), 1);
    drives::RebuildCatalogue();
    for (size_t drive = 0; drive < 4; ++drive) {
        drives::DiscContents fromQ;
        drives::DiscContents fromImage;
        ASSERT_EQ(drives::ReadContents(drive, fromQ), drives::DriveError::None);
        ASSERT_EQ(drives::ReadContents(drive + 4, fromImage), drives::DriveError::None);
        ASSERT_EQ(fromQ.tracks.size(), fromImage.tracks.size());
        for (size_t i = 0; i < fromQ.tracks.size(); ++i) {
            EXPECT_EQ(fromQ.tracks[i].pregap, fromImage.tracks[i].pregap) << drive << " track " << i + 1;
            EXPECT_EQ(fromQ.tracks[i].control, fromImage.tracks[i].control) << drive << " track " << i + 1;
            EXPECT_EQ(fromQ.tracks[i].isrc, fromImage.tracks[i].isrc) << drive << " track " << i + 1;
        }
        EXPECT_EQ(fromQ.catalog, fromImage.catalog) << drive;
        EXPECT_EQ(fromQ.cdText, fromImage.cdText) << drive;
    }
    unsetenv("QUAVREL_DRIVES");
}

} // namespace
