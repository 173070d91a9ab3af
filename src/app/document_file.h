#pragma once

#include <QString>

namespace bp {

// The file-name part of `path`: what follows its last "\", "/" or ":".
QString fileNamePart(const QString &path);

} // namespace bp
