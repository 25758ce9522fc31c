// A scripted stand-in for libwnaspi32.so: records every request block and answers from a script.

#include "fake_aspi_control.h"

#include <algorithm>
#include <aspi_srb.h>
#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <tuple>
#include <vector>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Reply {
    std::vector<uint8_t> data;
    std::vector<uint8_t> sense;
    bool pending = false;
};

struct Script {
    std::mutex lock;
    uint32_t supportInfo = SS_NO_ADAPTERS << 8;
    std::map<uint8_t, std::pair<uint8_t, uint8_t>> adapters; // status, max targets
    std::map<std::tuple<uint8_t, uint8_t, uint8_t>, uint8_t> devices;
    std::map<uint8_t, std::deque<Reply>> replies;
    std::vector<FakeAspiRequest> requests;
    std::vector<std::thread> completions;

    ~Script()
    {
        for (std::thread &t : completions)
            t.join();
    }
};

Script &TheScript()
{
    static Script script;
    return script;
}

void JoinCompletions(Script &script)
{
    for (std::thread &t : script.completions)
        t.join();
    script.completions.clear();
}

void Complete(SRB_ExecSCSICmd *srb, const Reply &reply)
{
    if (const size_t n = std::min<size_t>(srb->SRB_BufLen, reply.data.size()); srb->SRB_BufPointer && n > 0)
        std::memcpy(srb->SRB_BufPointer, reply.data.data(), n);
    if (const size_t n = std::min({reply.sense.size(), size_t{srb->SRB_SenseLen}, sizeof srb->SenseArea});
        n > 0)
        std::memcpy(srb->SenseArea, reply.sense.data(), n);
    srb->SRB_Status = reply.sense.empty() ? SS_COMP : SS_ERR;
    if ((srb->SRB_Flags & SRB_EVENT_NOTIFY) && srb->SRB_PostProc)
        static_cast<aspi::ManualResetEvent *>(srb->SRB_PostProc)->Set();
}

} // namespace

FAKE_EXPORT void FakeAspi_Reset()
{
    Script &script = TheScript();
    std::lock_guard<std::mutex> guard(script.lock);
    JoinCompletions(script);
    script.supportInfo = SS_NO_ADAPTERS << 8;
    script.adapters.clear();
    script.devices.clear();
    script.replies.clear();
    script.requests.clear();
}

FAKE_EXPORT void FakeAspi_SetSupportInfo(uint32_t value)
{
    std::lock_guard<std::mutex> guard(TheScript().lock);
    TheScript().supportInfo = value;
}

FAKE_EXPORT void FakeAspi_SetAdapter(uint8_t haId, uint8_t status, uint8_t maxTargets)
{
    std::lock_guard<std::mutex> guard(TheScript().lock);
    TheScript().adapters[haId] = {status, maxTargets};
}

FAKE_EXPORT void FakeAspi_AddDevice(uint8_t haId, uint8_t target, uint8_t lun, uint8_t deviceType)
{
    std::lock_guard<std::mutex> guard(TheScript().lock);
    TheScript().devices[{haId, target, lun}] = deviceType;
}

FAKE_EXPORT void FakeAspi_QueueReply(uint8_t opcode, const uint8_t *data, size_t dataLength,
                                     const uint8_t *sense, size_t senseLength, bool pending)
{
    std::lock_guard<std::mutex> guard(TheScript().lock);
    Reply reply;
    if (dataLength > 0)
        reply.data.assign(data, data + dataLength);
    if (senseLength > 0)
        reply.sense.assign(sense, sense + senseLength);
    reply.pending = pending;
    TheScript().replies[opcode].push_back(std::move(reply));
}

FAKE_EXPORT size_t FakeAspi_RequestCount()
{
    std::lock_guard<std::mutex> guard(TheScript().lock);
    return TheScript().requests.size();
}

FAKE_EXPORT FakeAspiRequest FakeAspi_Request(size_t index)
{
    std::lock_guard<std::mutex> guard(TheScript().lock);
    return index < TheScript().requests.size() ? TheScript().requests[index] : FakeAspiRequest{};
}

FAKE_EXPORT uint32_t GetASPI32SupportInfo(void)
{
    std::lock_guard<std::mutex> guard(TheScript().lock);
    return TheScript().supportInfo;
}

FAKE_EXPORT uint32_t SendASPI32Command(void *request)
{
    Script &script = TheScript();
    std::lock_guard<std::mutex> guard(script.lock);
    auto *header = static_cast<SRB_Header *>(request);
    FakeAspiRequest record{};
    record.command = header->SRB_Cmd;
    record.haId = header->SRB_HaId;
    record.flags = header->SRB_Flags;

    switch (header->SRB_Cmd) {
    case SC_HA_INQUIRY: {
        script.requests.push_back(record);
        auto *srb = static_cast<SRB_HAInquiry *>(request);
        const auto adapter = script.adapters.find(srb->SRB_HaId);
        if (adapter == script.adapters.end())
            return srb->SRB_Status = SS_INVALID_HA;
        srb->HA_Unique[3] = adapter->second.second;
        return srb->SRB_Status = adapter->second.first;
    }
    case SC_GET_DEV_TYPE: {
        auto *srb = static_cast<SRB_GDEVBlock *>(request);
        record.target = srb->SRB_Target;
        record.lun = srb->SRB_Lun;
        script.requests.push_back(record);
        const auto device = script.devices.find({srb->SRB_HaId, srb->SRB_Target, srb->SRB_Lun});
        if (device == script.devices.end())
            return srb->SRB_Status = SS_NO_DEVICE;
        srb->SRB_DeviceType = device->second;
        return srb->SRB_Status = SS_COMP;
    }
    case SC_EXEC_SCSI_CMD: {
        auto *srb = static_cast<SRB_ExecSCSICmd *>(request);
        record.target = srb->SRB_Target;
        record.lun = srb->SRB_Lun;
        record.bufferLength = srb->SRB_BufLen;
        record.hasBuffer = srb->SRB_BufPointer != nullptr;
        record.senseLength = srb->SRB_SenseLen;
        record.cdbLength = srb->SRB_CDBLen;
        record.hasEvent = srb->SRB_PostProc != nullptr;
        std::memcpy(record.cdb, srb->CDBByte, sizeof record.cdb);
        script.requests.push_back(record);

        Reply reply;
        auto &queue = script.replies[srb->CDBByte[0]];
        if (!queue.empty()) {
            reply = std::move(queue.front());
            queue.pop_front();
        }
        if (reply.pending) {
            srb->SRB_Status = SS_PENDING;
            script.completions.emplace_back([srb, reply] {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                Complete(srb, reply);
            });
            return SS_PENDING;
        }
        Complete(srb, reply);
        return srb->SRB_Status;
    }
    default:
        script.requests.push_back(record);
        return header->SRB_Status = SS_INVALID_CMD;
    }
}
