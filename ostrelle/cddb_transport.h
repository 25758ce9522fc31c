#pragma once
// The library-wide CDDB transport: one TEvents, one response buffer and one HTTP client, made when
// the library loads and reused by every http_ call.

namespace ostrelle {

class TEvents;
class TResponseBuffer;
class THttpCli;

struct CddbTransport {
    TEvents *Events = nullptr;
    TResponseBuffer *Buffer = nullptr;
    THttpCli *Client = nullptr;
};

// Null members before CreateCddbTransport and after DestroyCddbTransport.
CddbTransport &TheCddbTransport();

// Creates TEvents, the buffer and the client, in that order, and wires them together.
void CreateCddbTransport();

// Frees the buffer, the client and TEvents, in that order.
void DestroyCddbTransport();

} // namespace ostrelle
