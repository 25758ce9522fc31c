#pragma once
// TEvents: turns the HTTP client's three progress points into WM_CDDB_PROGRESS messages for the
// caller's window.

#include <cstdint>

#include <ostrelle/ostrelle.h>

namespace ostrelle {

class THttpCli;

class TEvents {
  public:
    // Set at the start of every http_ call; 0 sends nothing.
    OHWND Window = 0;
    // CDDB_REQUEST_QUERY, CDDB_REQUEST_READ or CDDB_REQUEST_SITES.
    int32_t Request = 0;

    void RequestHeaderBegin(THttpCli &sender);
    void DocBegin(THttpCli &sender);
    void DocEnd(THttpCli &sender);

    // Binds the client's progress events to this object.
    void Attach(THttpCli &client);

  private:
    void Send(int32_t phase) const;
};

} // namespace ostrelle
