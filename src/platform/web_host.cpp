#include "web_host.h"

#include <QtGlobal>

namespace bp {

QString webHost()
{
    QString host = qEnvironmentVariable(kWebHostVariable);
    if (host.isEmpty())
        host = QStringLiteral("https://www.brindlepad.ru");
    while (host.endsWith(u'/'))
        host.chop(1);
    return host;
}

QUrl webPage(const QString &path)
{
    return QUrl(webHost() + path);
}

} // namespace bp
