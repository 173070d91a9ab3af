#include "version_number.h"

#include "common/error.h"
#include "platform/program_file_version.h"

#include <array>
#include <limits>

namespace bp {

QString versionLine(const VersionNumber &version)
{
    QString line = QStringLiteral("Версия ") + QString::number(version.major) + u'.' +
                   QString::number(version.minor);
    if (version.release != 0 || version.build != 0)
        line += u'.' + QString::number(version.release);
    if (version.build != 0)
        line += u'.' + QString::number(version.build);
    return line;
}

VersionNumber parseVersionText(QStringView text)
{
    std::array<int, 4> components{0, 0, 0, 0};
    qsizetype found = 0;
    qsizetype i = 0;
    while (i < text.size() && found < 4) {
        const char16_t ch = text[i].unicode();
        if (ch < u'0' || ch > u'9') {
            ++i;
            continue;
        }
        qint64 value = 0;
        for (; i < text.size() && text[i].unicode() >= u'0' && text[i].unicode() <= u'9'; ++i) {
            value = value * 10 + (text[i].unicode() - u'0');
            if (value > std::numeric_limits<int>::max())
                throw Error(QStringLiteral("номер версии в ответе сервера слишком велик"));
        }
        components[found++] = static_cast<int>(value);
    }
    return {components[0], components[1], components[2], components[3]};
}

VersionNumber runningProgramVersion()
{
    const std::array<int, 4> version = programFileVersion();
    return {version[0], version[1], version[2], version[3]};
}

} // namespace bp
