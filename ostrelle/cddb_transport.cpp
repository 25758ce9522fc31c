#include "cddb_transport.h"

#include "cddb_events.h"
#include "http_cli.h"
#include "response_buffer.h"

namespace ostrelle {

CddbTransport &TheCddbTransport()
{
    // Plain pointers: nothing here depends on the order of static destruction at unload.
    static CddbTransport transport;
    return transport;
}

void CreateCddbTransport()
{
    CddbTransport &transport = TheCddbTransport();
    transport.Events = new TEvents;
    transport.Buffer = new TResponseBuffer;
    transport.Buffer->Clear();
    transport.Client = new THttpCli;
    transport.Events->Attach(*transport.Client);
    transport.Client->SetRcvdStream(transport.Buffer);
}

void DestroyCddbTransport()
{
    CddbTransport &transport = TheCddbTransport();
    if (transport.Client)
        transport.Client->SetRcvdStream(nullptr);
    delete transport.Buffer;
    transport.Buffer = nullptr;
    delete transport.Client;
    transport.Client = nullptr;
    delete transport.Events;
    transport.Events = nullptr;
}

} // namespace ostrelle
