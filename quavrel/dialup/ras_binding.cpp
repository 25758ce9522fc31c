#include "quavrel/dialup/ras_binding.h"

RasBinding &RasBinding::Shared()
{
    static auto *binding = new RasBinding;
    return *binding;
}

void *RasBinding::Find(const std::string &name) const
{
    // The primary library exports the ANSI names; the fall-back only the names as asked.
    if (!RasViaRnaph_) {
        if (void *address = RasLibrary_.Symbol((name + "A").c_str()))
            return address;
    }
    return RasLibrary_.Symbol(name.c_str());
}

void *RasBinding::GetRasProc(const std::string &name)
{
    const void *self = reinterpret_cast<const void *>(&RasBinding::Shared);
    if (!RasBound_) {
        RasViaRnaph_ = false;
        RasLibrary_ = platform::Library::Load("rasapi32.dll", self);
        if (!RasLibrary_)
            throw EDialUpError("Error opening rasapi.dll");
        if (void *address = Find(name)) {
            RasBound_ = true;
            return address;
        }
        RasLibrary_ = platform::Library::Load("rnaph.dll", self);
        if (!RasLibrary_)
            throw EDialUpError("Error opening rnaph.dll");
        RasViaRnaph_ = true;
        void *address = Find(name);
        if (!address) {
            RasViaRnaph_ = false;
            throw EDialUpError("Function " + name + " not found!");
        }
        RasBound_ = true;
        return address;
    }
    if (void *address = Find(name))
        return address;
    throw EDialUpError("Function " + name + " not found!");
}
