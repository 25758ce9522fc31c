// What Ostrelle prepares when it is loaded and takes down when it is unloaded.

#include "cddb_transport.h"

namespace ostrelle {
namespace {

struct LibraryLifecycle {
    LibraryLifecycle() { CreateCddbTransport(); }
    ~LibraryLifecycle() { DestroyCddbTransport(); }
};

const LibraryLifecycle lifecycle;

} // namespace
} // namespace ostrelle
