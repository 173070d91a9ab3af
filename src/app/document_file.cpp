#include "document_file.h"

namespace bp {

QString fileNamePart(const QString &path)
{
    const qsizetype cut =
        std::max({path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'), path.lastIndexOf(u':')});
    return path.mid(cut + 1);
}

} // namespace bp
