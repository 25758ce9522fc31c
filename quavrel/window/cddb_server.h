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
