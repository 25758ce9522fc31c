#include "quavrel/metadata/cddb/cddb_server.h"

#include <QRegularExpression>

const QString kDefaultCddbServer = QStringLiteral("freedb.dbpoweramp.com");
const QString kDefaultCgiPath = QStringLiteral("/~cddb/cddb.cgi");

bool ApplyTypedServer(const QString &typed, CddbServerTexts &server)
{
    static const QRegularExpression address(
        QStringLiteral(R"(^(?:(?<scheme>[A-Za-z][A-Za-z0-9+.-]*)://)?)"
                       R"((?<host>\[[0-9A-Fa-f:.]+\](?::[0-9]{1,5})?|[^\s/:\[\]?#]+(?::[0-9]{1,5})?))"
                       R"((?<path>/[^\s?#]*)?(?:[?#]\S*)?$)"));
    const QRegularExpressionMatch match = address.match(typed.trimmed());
    if (!match.hasMatch())
        return false;
    const QString scheme = match.captured(QStringLiteral("scheme"));
    if (!scheme.isEmpty() && scheme.compare(QLatin1String("http"), Qt::CaseInsensitive) != 0)
        return false;
    server.Server = match.captured(QStringLiteral("host"));
    const QString path = match.captured(QStringLiteral("path"));
    if (path.size() > 1)
        server.CgiPath = path;
    return true;
}

QString ServerBoxText(const CddbServerTexts &server)
{
    return server.CgiPath == kDefaultCgiPath ? server.Server
                                             : QStringLiteral("http://") + server.Server + server.CgiPath;
}
