#include "fake_aspi.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

namespace {

template <typename Fn> void Bind(void *library, const char *name, Fn &function)
{
    function = reinterpret_cast<Fn>(dlsym(library, name));
    if (!function) {
        std::fprintf(stderr, "fake ASPI lacks %s\n", name);
        std::abort();
    }
}

} // namespace

std::vector<FakeAspiRequest> FakeAspi::Requests(uint8_t command) const
{
    std::vector<FakeAspiRequest> found;
    for (size_t i = 0; i < RequestCount(); ++i)
        if (FakeAspiRequest request = Request(i); request.command == command)
            found.push_back(request);
    return found;
}

const FakeAspi &TheFakeAspi()
{
    static const FakeAspi fake = [] {
        const char *path = std::getenv("FAKE_ASPI_PATH");
        void *library = path ? dlopen(path, RTLD_NOW) : nullptr;
        if (!library) {
            std::fprintf(stderr, "cannot open the fake ASPI library: %s\n",
                         path ? dlerror() : "FAKE_ASPI_PATH unset");
            std::abort();
        }
        FakeAspi bound{};
        Bind(library, "FakeAspi_Reset", bound.Reset);
        Bind(library, "FakeAspi_SetSupportInfo", bound.SetSupportInfo);
        Bind(library, "FakeAspi_SetAdapter", bound.SetAdapter);
        Bind(library, "FakeAspi_AddDevice", bound.AddDevice);
        Bind(library, "FakeAspi_QueueReply", bound.QueueReply);
        Bind(library, "FakeAspi_RequestCount", bound.RequestCount);
        Bind(library, "FakeAspi_Request", bound.Request);
        return bound;
    }();
    return fake;
}
