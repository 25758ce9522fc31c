#include "cddb_events.h"

#include "http_cli.h"

#include <winmsg.h>

namespace ostrelle {

void TEvents::RequestHeaderBegin(THttpCli &)
{
    Send(CDDB_PHASE_SENDING);
}

void TEvents::DocBegin(THttpCli &)
{
    Send(CDDB_PHASE_DOC_BEGIN);
}

void TEvents::DocEnd(THttpCli &)
{
    Send(CDDB_PHASE_DOC_END);
}

void TEvents::Attach(THttpCli &client)
{
    client.OnRequestHeaderBegin = [this](THttpCli &sender) { RequestHeaderBegin(sender); };
    client.OnDocBegin = [this](THttpCli &sender) { DocBegin(sender); };
    client.OnDocEnd = [this](THttpCli &sender) { DocEnd(sender); };
}

void TEvents::Send(int32_t phase) const
{
    if (Window != 0)
        winmsg::SendMessage(Window, WM_CDDB_PROGRESS, static_cast<winmsg::WPARAM>(Request), phase);
}

} // namespace ostrelle
