#include "update_manifest.h"

#include "common/error.h"

#include <QIODevice>
#include <QXmlStreamReader>
#include <optional>

namespace bp {

QString notAManifestReason()
{
    return QStringLiteral("ответ сервера не является описанием версии программы");
}

QString readManifestVersionText(QIODevice &device)
{
    QXmlStreamReader reader(&device);
    // Depth of the element being read: 1 for the document element.
    int depth = 0;
    // Depth of the "Program_Info" and "Program_Version" elements being read, 0 outside them.
    int infoDepth = 0;
    int versionDepth = 0;
    bool infoSeen = false;
    bool versionSeen = false;
    QString text;
    const auto refuse = [] { return Error(notAManifestReason()); };

    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            // A manifest needs no declarations, and without them no entity can expand.
            throw refuse();
        case QXmlStreamReader::StartElement:
            if (++depth > kMaxManifestDepth)
                throw refuse();
            if (versionDepth != 0)
                throw refuse();
            if (depth == 2 && !infoSeen && reader.name() == u"Program_Info") {
                infoSeen = true;
                infoDepth = depth;
            } else if (depth == 3 && infoDepth != 0 && !versionSeen &&
                       reader.name() == u"Program_Version") {
                versionSeen = true;
                versionDepth = depth;
            }
            break;
        case QXmlStreamReader::EndElement:
            if (depth == versionDepth)
                versionDepth = 0;
            if (depth == infoDepth)
                infoDepth = 0;
            --depth;
            break;
        case QXmlStreamReader::Characters:
            if (versionDepth != 0)
                text += reader.text();
            break;
        default:
            break;
        }
    }
    if (reader.hasError() || !infoSeen)
        throw refuse();
    return text;
}

} // namespace bp
