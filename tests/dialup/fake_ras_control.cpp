#include "fake_ras_control.h"

#include <dlfcn.h>
#include <stdexcept>

namespace {

template <typename Fn> Fn Bind(void *handle, const char *name)
{
    auto fn = reinterpret_cast<Fn>(dlsym(handle, name));
    if (!fn)
        throw std::runtime_error(std::string("fake RAS library lacks ") + name);
    return fn;
}

} // namespace

FakeRasControl::FakeRasControl(const std::string &libraryFile)
    : handle_(dlopen(libraryFile.c_str(), RTLD_NOW))
{
    if (!handle_)
        throw std::runtime_error("cannot open " + libraryFile);
    Reset = Bind<decltype(Reset)>(handle_, "FakeRas_Reset");
    AddEntry = Bind<decltype(AddEntry)>(handle_, "FakeRas_AddEntry");
    AddConnection = Bind<decltype(AddConnection)>(handle_, "FakeRas_AddConnection");
    ScriptDial = Bind<decltype(ScriptDial)>(handle_, "FakeRas_ScriptDial");
    SetHangUpLinger = Bind<decltype(SetHangUpLinger)>(handle_, "FakeRas_SetHangUpLinger");
    JoinNotifier = Bind<decltype(JoinNotifier)>(handle_, "FakeRas_JoinNotifier");
    Calls = Bind<decltype(Calls)>(handle_, "FakeRas_Calls");
}

FakeRasControl::~FakeRasControl()
{
    dlclose(handle_);
}
