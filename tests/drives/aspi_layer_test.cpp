// libwnaspi32.so over the virtual drives: request blocks in, replies and real sense data out.

#include "drives_test_support.h"

#include <array>
#include <aspi_srb.h>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

extern "C" uint32_t GetASPI32SupportInfo(void);
extern "C" uint32_t SendASPI32Command(void *srb);

namespace {

using namespace drivestest;

struct Reply {
    uint8_t status = 0;
    uint8_t targetStatus = 0;
    std::array<uint8_t, 3> sense{}; // key, ASC, ASCQ
    std::vector<uint8_t> data;
    bool eventSet = false;
};

Reply Execute(size_t haId, std::vector<uint8_t> cdb, uint32_t bufferLength = 0, uint8_t target = 0)
{
    aspi::ManualResetEvent event;
    std::vector<uint8_t> buffer(bufferLength, 0xEE);
    SRB_ExecSCSICmd srb{};
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_HaId = static_cast<uint8_t>(haId);
    srb.SRB_Target = target;
    srb.SRB_Flags = SRB_DIR_IN | SRB_EVENT_NOTIFY;
    srb.SRB_BufLen = bufferLength;
    srb.SRB_BufPointer = bufferLength ? buffer.data() : nullptr;
    srb.SRB_SenseLen = SENSE_LEN;
    srb.SRB_CDBLen = static_cast<uint8_t>(cdb.size());
    srb.SRB_PostProc = &event;
    std::memcpy(srb.CDBByte, cdb.data(), cdb.size());
    const uint32_t returned = SendASPI32Command(&srb);
    EXPECT_EQ(returned, srb.SRB_Status);
    Reply reply;
    reply.status = srb.SRB_Status;
    reply.targetStatus = srb.SRB_TargStat;
    reply.sense = {static_cast<uint8_t>(srb.SenseArea[2] & 0x0F), srb.SenseArea[12], srb.SenseArea[13]};
    reply.data = std::move(buffer);
    reply.eventSet = event.IsSet();
    return reply;
}

using Sense = std::array<uint8_t, 3>;

class AspiLayer : public ::testing::Test {
  protected:
    void TearDown() override
    {
        drives::Unlock(demo);
        drives::CloseTray(demo);
        drives::Stop(demo);
        drives::ClearFaults(demo);
    }
    size_t demo = IndexOf(DiscPath("demo"));
    size_t mixed = IndexOf(DiscPath("mixed"));
};

TEST_F(AspiLayer, OneAdapterPerCatalogueDriveWithOneCdRomEach)
{
    const uint32_t info = GetASPI32SupportInfo();
    EXPECT_EQ(info >> 8 & 0xFF, SS_COMP);
    EXPECT_EQ(info & 0xFF, drives::DriveCount());

    SRB_HAInquiry inquiry{};
    inquiry.SRB_Cmd = SC_HA_INQUIRY;
    inquiry.SRB_HaId = static_cast<uint8_t>(demo);
    EXPECT_EQ(SendASPI32Command(&inquiry), SS_COMP);
    EXPECT_EQ(inquiry.HA_Count, drives::DriveCount());
    EXPECT_EQ(inquiry.HA_Unique[3], 1);
    inquiry.SRB_HaId = static_cast<uint8_t>(drives::DriveCount());
    EXPECT_EQ(SendASPI32Command(&inquiry), SS_INVALID_HA);

    SRB_GDEVBlock device{};
    device.SRB_Cmd = SC_GET_DEV_TYPE;
    device.SRB_HaId = static_cast<uint8_t>(demo);
    EXPECT_EQ(SendASPI32Command(&device), SS_COMP);
    EXPECT_EQ(device.SRB_DeviceType, DTYPE_CDROM);
    device.SRB_Lun = 1;
    EXPECT_EQ(SendASPI32Command(&device), SS_NO_DEVICE);

    const Reply missing = Execute(demo, {0x00, 0, 0, 0, 0, 0}, 0, /*target*/ 3);
    EXPECT_EQ(missing.status, SS_NO_DEVICE);
    EXPECT_EQ(missing.sense, (Sense{0x05, 0x25, 0x00}));
}

TEST_F(AspiLayer, InquiryNamesTheVirtualDriveAndSignalsTheEvent)
{
    const Reply reply = Execute(demo, {0x12, 0, 0, 0, 100, 0}, 100);
    EXPECT_EQ(reply.status, SS_COMP);
    EXPECT_TRUE(reply.eventSet);
    EXPECT_EQ(reply.sense, (Sense{0, 0, 0}));
    EXPECT_EQ(reply.data[0], DTYPE_CDROM);
    EXPECT_EQ(std::string(reply.data.begin() + 8, reply.data.begin() + 36), "QUAVREL Virtual CD-ROM  1.0 ");
    EXPECT_EQ(std::string(reply.data.begin() + 36, reply.data.begin() + 44), "demo.cue");
    EXPECT_EQ(reply.data[96], 0xEE); // nothing past the 96 bytes of the answer
}

TEST_F(AspiLayer, ReadTocAnswersInBothAddressFormsWithinTheAllocationLength)
{
    drives::DiscToc toc;
    ASSERT_EQ(drives::ReadToc(demo, toc), drives::DriveError::None);
    const size_t n = toc.tracks.size();

    const Reply msf = Execute(demo, {0x43, 0x02, 0, 0, 0, 0, 0, 0x03, 0x24, 0}, 804);
    ASSERT_EQ(msf.status, SS_COMP);
    EXPECT_EQ(msf.data[0] << 8 | msf.data[1], 2 + 8 * (n + 1));
    EXPECT_EQ(msf.data[2], 1);
    EXPECT_EQ(msf.data[3], n);
    for (size_t i = 0; i <= n; ++i) {
        const uint8_t *d = msf.data.data() + 4 + 8 * i;
        const int32_t lba = i < n ? toc.tracks[i].startLba : toc.leadOutLba;
        EXPECT_EQ(d[1], 0x10);
        EXPECT_EQ(d[2], i < n ? i + 1 : 0xAA);
        EXPECT_EQ(d[5] * 4500 + d[6] * 75 + d[7], lba + 150) << "descriptor " << i;
    }

    const Reply lba = Execute(demo, {0x43, 0, 0, 0, 0, 0, 2, 0, 12, 0}, 804); // from track 2, 12 bytes
    ASSERT_EQ(lba.status, SS_COMP);
    EXPECT_EQ(lba.data[6], 2);
    EXPECT_EQ(lba.data[8] << 24 | lba.data[9] << 16 | lba.data[10] << 8 | lba.data[11],
              toc.tracks[1].startLba);
    EXPECT_EQ(lba.data[12], 0xEE);

    const Reply data = Execute(mixed, {0x43, 0x02, 0, 0, 0, 0, 0, 0x03, 0x24, 0}, 804);
    EXPECT_EQ(data.data[5], 0x14); // track 1: data
    EXPECT_EQ(data.data[13], 0x10);
}

TEST_F(AspiLayer, FailuresComeBackAsSenseData)
{
    const std::vector<uint8_t> readToc = {0x43, 0x02, 0, 0, 0, 0, 0, 0x03, 0x24, 0};
    drives::OpenTray(demo);
    Reply reply = Execute(demo, readToc, 804);
    EXPECT_EQ(reply.status, SS_ERR);
    EXPECT_EQ(reply.targetStatus, STATUS_CHKCOND);
    EXPECT_TRUE(reply.eventSet);
    EXPECT_EQ(reply.sense, (Sense{0x02, 0x3A, 0x02}));
    EXPECT_EQ(Execute(demo, {0x00, 0, 0, 0, 0, 0}).sense, (Sense{0x02, 0x3A, 0x02}));
    drives::CloseTray(demo);
    EXPECT_EQ(Execute(demo, {0x00, 0, 0, 0, 0, 0}).status, SS_COMP);

    EXPECT_EQ(Execute(demo, {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}).sense, (Sense{0x05, 0x20, 0x00}));
    EXPECT_EQ(Execute(demo, {0x4B, 0, 0, 0, 0, 0, 0, 0, 0, 0}).sense, (Sense{0x05, 0x2C, 0x00}));
    EXPECT_EQ(Execute(mixed, {0x47, 0, 0, 0, 2, 0, 0, 5, 0, 0}).sense, (Sense{0x05, 0x64, 0x00}));
    EXPECT_EQ(Execute(demo, {0x47, 0, 0, 0, 5, 0, 0, 2, 0, 0}).sense, (Sense{0x05, 0x24, 0x00}));
    EXPECT_EQ(Execute(demo, {0x47, 0, 0, 0, 2, 0, 99, 0, 0, 0}).sense, (Sense{0x05, 0x21, 0x00}));

    drives::Faults faults;
    faults.sense = {{0x43, 0x03, 0x02, 0x00}};
    drives::SetFaults(demo, faults);
    EXPECT_EQ(Execute(demo, readToc, 804).sense, (Sense{0x03, 0x02, 0x00}));
    EXPECT_EQ(Execute(demo, {0x12, 0, 0, 0, 100, 0}, 100).status, SS_COMP);
}

} // namespace
