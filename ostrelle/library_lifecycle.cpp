// What Ostrelle prepares when it is loaded and takes down when it is unloaded.

#include "aspi_binding.h"
#include "cddb_transport.h"

namespace ostrelle {
namespace {

struct LibraryLifecycle {
    LibraryLifecycle()
    {
        BindAspi();
        CreateCddbTransport();
    }
    ~LibraryLifecycle()
    {
        DestroyCddbTransport();
        UnbindAspi();
    }
};

const LibraryLifecycle lifecycle;

} // namespace
} // namespace ostrelle
