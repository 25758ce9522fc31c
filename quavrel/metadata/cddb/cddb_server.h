#pragma once
// The CDDB server the window asks, and the hello it sends. Kept as Unicode text: the lookup
// converts it to the library's 8-bit record at the call.

#include <QString>

struct CddbServerTexts {
    QString Server;
    QString CgiPath;
    QString UserName;
    QString HostName;
};

// Where a first run asks: a public server that answers any honest client under its own name.
extern const QString kDefaultCddbServer;
extern const QString kDefaultCgiPath;

// Takes a server as the user types it into "serveur": "host", "host:port", "[IPv6]:port", or a whole
// "http://host[:port]/path" whose path (without any query) becomes CgiPath. False, leaving server
// as it was, for anything else (an empty text, blanks, another scheme).
bool ApplyTypedServer(const QString &typed, CddbServerTexts &server);

// What "serveur" shows: the host and port, or the whole URL when the path is not the default one.
QString ServerBoxText(const CddbServerTexts &server);
