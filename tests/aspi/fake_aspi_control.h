#pragma once
// The control surface of the scripted fake libwnaspi32.so. A test opens the same file Ostrelle
// loads (dlopen of one path gives one instance) and scripts it through these exports.

#include <cstddef>
#include <cstdint>

extern "C" {

// One request block as Ostrelle sent it.
struct FakeAspiRequest {
    uint8_t command; // SC_HA_INQUIRY, SC_GET_DEV_TYPE, SC_EXEC_SCSI_CMD
    uint8_t haId;
    uint8_t target;
    uint8_t lun;
    uint8_t flags;
    uint32_t bufferLength;
    bool hasBuffer;
    uint8_t senseLength;
    uint8_t cdbLength;
    bool hasEvent;
    uint8_t cdb[16];
};

// Forgets the script and the recorded requests: no adapters, support info "no adapters".
void FakeAspi_Reset();
void FakeAspi_SetSupportInfo(uint32_t value);
// An adapter answering the host adapter inquiry with status and the maximum number of targets.
void FakeAspi_SetAdapter(uint8_t haId, uint8_t status, uint8_t maxTargets);
void FakeAspi_AddDevice(uint8_t haId, uint8_t target, uint8_t lun, uint8_t deviceType);
// The next execute request with this opcode gets these bytes and this sense (senseLength 0: none).
// pending: the request is left pending and completed, event signalled, from another thread.
void FakeAspi_QueueReply(uint8_t opcode, const uint8_t *data, size_t dataLength, const uint8_t *sense,
                         size_t senseLength, bool pending);
size_t FakeAspi_RequestCount();
FakeAspiRequest FakeAspi_Request(size_t index);

} // extern "C"
