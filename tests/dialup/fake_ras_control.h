#pragma once
// Scripting surface of the fake RAS libraries. A test reaches the instance the component loaded by
// opening the same file (FakeRasControl).

#include "ras.h"

#include <string>

extern "C" {
// Forgets entries, connections, script and recorded calls.
void FakeRas_Reset();
void FakeRas_AddEntry(const char *name);
// A live connection, as RasEnumConnectionsA and RasGetConnectStatusA report it.
void FakeRas_AddConnection(HRASCONN handle, const char *entry, const char *deviceName, RASCONNSTATE state);
// What the next RasDialA does: its result and the handle it hands out (a failing synchronous dial
// with a handle leaves a half-made connection that hangs up like a live one). With a notifier,
// the notices are sent from a thread of the fake, back to back.
void FakeRas_ScriptDial(uint32_t result, HRASCONN handle, const RASCONNSTATE *states, const uint32_t *errors,
                        int count);
// How many status calls a hung-up connection still answers before it is gone.
void FakeRas_SetHangUpLinger(int statusCalls);
// Waits for the notifier thread of the last asynchronous dial; returns how many notices it sent.
int FakeRas_JoinNotifier();
// The calls made so far, "Name(argument)" separated by ';'.
const char *FakeRas_Calls();
}

// The control functions of the fake in dir (the instance the loader opened from there).
struct FakeRasControl {
    explicit FakeRasControl(const std::string &libraryFile);
    ~FakeRasControl();
    FakeRasControl(const FakeRasControl &) = delete;
    FakeRasControl &operator=(const FakeRasControl &) = delete;

    decltype(&FakeRas_Reset) Reset;
    decltype(&FakeRas_AddEntry) AddEntry;
    decltype(&FakeRas_AddConnection) AddConnection;
    decltype(&FakeRas_ScriptDial) ScriptDial;
    decltype(&FakeRas_SetHangUpLinger) SetHangUpLinger;
    decltype(&FakeRas_JoinNotifier) JoinNotifier;
    decltype(&FakeRas_Calls) Calls;

  private:
    void *handle_;
};
