#pragma once
// The ASPI for Win32 interface as "wnaspi32.dll" publishes it: the request blocks (byte-packed,
// pointers native), their codes, the two entry points, and a manual-reset event that stands in for
// the Windows event object a caller attaches to a request.
//
// Header-only so that every module (the ASPI layer, Ostrelle, test fakes) runs the same event code
// without linking one another: a caller creates the event, the layer signals it.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

// Request codes (SRB_Cmd).
#define SC_HA_INQUIRY 0x00
#define SC_GET_DEV_TYPE 0x01
#define SC_EXEC_SCSI_CMD 0x02
#define SC_ABORT_SRB 0x03
#define SC_RESET_DEV 0x04

// Status values (SRB_Status and bits 8-15 of GetASPI32SupportInfo).
#define SS_PENDING 0x00
#define SS_COMP 0x01
#define SS_ABORTED 0x02
#define SS_ERR 0x04
#define SS_INVALID_CMD 0x80
#define SS_INVALID_HA 0x81
#define SS_NO_DEVICE 0x82
#define SS_INVALID_SRB 0xE0
#define SS_NO_ADAPTERS 0xE8

// Request flags (SRB_Flags).
#define SRB_POSTING 0x01
#define SRB_ENABLE_RESIDUAL_COUNT 0x04
#define SRB_DIR_IN 0x08
#define SRB_DIR_OUT 0x10
#define SRB_EVENT_NOTIFY 0x40

#define SENSE_LEN 14
#define DTYPE_CDROM 0x05

// Target status values (SRB_TargStat).
#define STATUS_GOOD 0x00
#define STATUS_CHKCOND 0x02

extern "C" {

#pragma pack(push, 1)

typedef struct SRB_Header {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
} SRB_Header;

typedef struct SRB_HAInquiry {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t HA_Count;
    uint8_t HA_SCSI_ID;
    uint8_t HA_ManagerId[16];
    uint8_t HA_Identifier[16];
    uint8_t HA_Unique[16]; // byte 3: the maximum number of targets
    uint16_t HA_Rsvd1;
} SRB_HAInquiry;

typedef struct SRB_GDEVBlock {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint8_t SRB_DeviceType;
    uint8_t SRB_Rsvd1;
} SRB_GDEVBlock;

typedef struct SRB_ExecSCSICmd {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint16_t SRB_Rsvd1;
    uint32_t SRB_BufLen;
    uint8_t *SRB_BufPointer;
    uint8_t SRB_SenseLen;
    uint8_t SRB_CDBLen;
    uint8_t SRB_HaStat;
    uint8_t SRB_TargStat;
    void *SRB_PostProc; // the event (SRB_EVENT_NOTIFY) or the completion routine (SRB_POSTING)
    uint8_t SRB_Rsvd2[20];
    uint8_t CDBByte[16];
    uint8_t SenseArea[SENSE_LEN + 2];
} SRB_ExecSCSICmd;

#pragma pack(pop)

typedef uint32_t (*GetASPI32SupportInfoFn)(void);
typedef uint32_t (*SendASPI32CommandFn)(void *srb);
// The completion routine of SRB_POSTING.
typedef void (*AspiPostProc)(SRB_ExecSCSICmd *srb);

} // extern "C"

static_assert(sizeof(SRB_Header) == 8);
static_assert(sizeof(SRB_HAInquiry) == 60);
static_assert(offsetof(SRB_HAInquiry, HA_Unique) == 42);
static_assert(sizeof(SRB_GDEVBlock) == 12);
static_assert(offsetof(SRB_GDEVBlock, SRB_DeviceType) == 10);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufLen) == 12);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufPointer) == 16);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_SenseLen) == 16 + sizeof(void *));
static_assert(offsetof(SRB_ExecSCSICmd, SRB_PostProc) == 20 + sizeof(void *));
static_assert(offsetof(SRB_ExecSCSICmd, CDBByte) == 40 + 2 * sizeof(void *));
static_assert(offsetof(SRB_ExecSCSICmd, SenseArea) == 56 + 2 * sizeof(void *));
// 80 bytes with 32-bit pointers.
static_assert(sizeof(SRB_ExecSCSICmd) == 72 + 2 * sizeof(void *));

namespace aspi {

// A manual-reset event: stays signalled until reset. Its address goes into SRB_PostProc.
class ManualResetEvent {
  public:
    void Set()
    {
        std::lock_guard<std::mutex> guard(lock_);
        signalled_ = true;
        changed_.notify_all();
    }
    void Reset()
    {
        std::lock_guard<std::mutex> guard(lock_);
        signalled_ = false;
    }
    // Waits without a time limit.
    void Wait()
    {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [this] { return signalled_; });
    }
    bool IsSet()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return signalled_;
    }

  private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool signalled_ = false;
};

} // namespace aspi
