#pragma once
// Opens the fake libwnaspi32.so that Ostrelle loaded (FAKE_ASPI_PATH) and binds its controls.

#include "fake_aspi_control.h"

#include <string>
#include <vector>

struct FakeAspi {
    decltype(&FakeAspi_Reset) Reset;
    decltype(&FakeAspi_SetSupportInfo) SetSupportInfo;
    decltype(&FakeAspi_SetAdapter) SetAdapter;
    decltype(&FakeAspi_AddDevice) AddDevice;
    decltype(&FakeAspi_QueueReply) QueueReply;
    decltype(&FakeAspi_RequestCount) RequestCount;
    decltype(&FakeAspi_Request) Request;

    // Every request so far with the given command code.
    std::vector<FakeAspiRequest> Requests(uint8_t command) const;
    void Reply(uint8_t opcode, const std::vector<uint8_t> &data, const std::vector<uint8_t> &sense = {},
               bool pending = false) const
    {
        QueueReply(opcode, data.data(), data.size(), sense.data(), sense.size(), pending);
    }
};

// Aborts the test program when the fake cannot be opened: nothing else can run.
const FakeAspi &TheFakeAspi();
