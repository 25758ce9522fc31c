#include "winmsg.h"

#include <map>
#include <memory>

namespace winmsg {
namespace {

struct Registry {
    std::map<HWND, std::shared_ptr<WindowProc>> windows;
    HWND next = 1;
    std::function<void()> pump;
};

Registry &TheRegistry()
{
    static Registry registry;
    return registry;
}

} // namespace

HWND RegisterWindow(WindowProc procedure)
{
    auto &registry = TheRegistry();
    HWND handle = registry.next++;
    if (registry.next == 0)
        registry.next = 1;
    registry.windows[handle] = std::make_shared<WindowProc>(std::move(procedure));
    return handle;
}

void UnregisterWindow(HWND window)
{
    TheRegistry().windows.erase(window);
}

LRESULT SendMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam)
{
    auto &windows = TheRegistry().windows;
    const auto found = windows.find(window);
    if (found == windows.end() || !*found->second)
        return 0;
    // Keep the procedure alive even if it unregisters its own window while it runs.
    const std::shared_ptr<WindowProc> procedure = found->second;
    return (*procedure)(message, wParam, lParam);
}

void SetMessagePump(std::function<void()> pump)
{
    TheRegistry().pump = std::move(pump);
}

void PumpMessages()
{
    // Copied so that a pump that replaces itself is not destroyed while it runs.
    const auto pump = TheRegistry().pump;
    if (pump)
        pump();
}

} // namespace winmsg
