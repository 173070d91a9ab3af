#pragma once

#include <QString>
#include <QStringList>

namespace bp {

// The file-name part of `path`: what follows its last "\", "/" or ":".
QString fileNamePart(const QString &path);

// The 18 lines of a new document.
QStringList newDocumentTemplate();

} // namespace bp
