#pragma once
// Window messages for code that has no windowing toolkit (Ostrelle): window handles registered
// with a procedure, synchronous SendMessage, and the message pump that the host installs.
//
// One registry per process: this is a shared library so that Ostrelle and the program see the
// same windows. Everything runs on the host's UI thread.

#include <cstdint>
#include <functional>

namespace winmsg {

using HWND = uint32_t; // 0 is never a window
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using WindowProc = std::function<LRESULT(uint32_t message, WPARAM wParam, LPARAM lParam)>;

// Registers a procedure and returns its new, non-zero handle.
HWND RegisterWindow(WindowProc procedure);

// Forgets a window; later messages to it are dropped. Safe from inside its own procedure.
void UnregisterWindow(HWND window);

// Calls the window's procedure and returns its result; 0 when the window does not exist.
LRESULT SendMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam);

// The host's "process pending messages" (Quavrel installs QCoreApplication::processEvents).
// An empty function removes it.
void SetMessagePump(std::function<void()> pump);

// Runs the installed pump once; does nothing without one.
void PumpMessages();

// Registers a window for the lifetime of this object.
class ScopedWindow {
  public:
    explicit ScopedWindow(WindowProc procedure) : handle_(RegisterWindow(std::move(procedure))) {}
    ~ScopedWindow() { UnregisterWindow(handle_); }
    ScopedWindow(const ScopedWindow &) = delete;
    ScopedWindow &operator=(const ScopedWindow &) = delete;
    HWND Handle() const { return handle_; }

  private:
    HWND handle_;
};

} // namespace winmsg
