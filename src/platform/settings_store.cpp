#include "settings_store.h"

#include "common/error.h"

#include <QMetaType>
#include <QVariant>
#include <memory>

namespace bp {
namespace {

#ifdef Q_OS_WIN
const QString kDefaultLocation = QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\Brindlepad");
#endif

bool holdsInteger(const QVariant &value, int *integer)
{
#ifdef Q_OS_WIN
    // The registry keeps types: only a REG_DWORD arrives as int. toInt() would also accept
    // a string of digits, which is a value of the wrong type.
    if (value.typeId() != QMetaType::Int)
        return false;
    *integer = value.toInt();
    return true;
#else
    // A settings file keeps text only, so "an integer" means text that parses as one.
    bool ok = false;
    *integer = value.toString().trimmed().toInt(&ok);
    return ok;
#endif
}

QString statusText(QSettings::Status status)
{
    switch (status) {
    case QSettings::AccessError:
        return QStringLiteral("нет доступа");
    case QSettings::FormatError:
        return QStringLiteral("неверный формат");
    case QSettings::NoError:
        break;
    }
    return QString();
}

} // namespace

QtSettingsStore::QtSettingsStore()
#ifdef Q_OS_WIN
    : m_fileName(kDefaultLocation), m_format(QSettings::NativeFormat)
#else
    : m_format(QSettings::NativeFormat)
#endif
{}

QtSettingsStore::QtSettingsStore(QString fileName, QSettings::Format format)
    : m_fileName(std::move(fileName)), m_format(format)
{}

namespace {

std::unique_ptr<QSettings> openSettings(const QString &fileName, QSettings::Format format)
{
    if (fileName.isEmpty())
        return std::make_unique<QSettings>(format, QSettings::UserScope,
                                           QStringLiteral("Brindlepad"),
                                           QStringLiteral("Brindlepad"));
    return std::make_unique<QSettings>(fileName, format);
}

} // namespace

std::optional<int> QtSettingsStore::readInteger(const QString &name)
{
    const auto settings = openSettings(m_fileName, m_format);
    const QVariant value = settings->value(name);
    if (!value.isValid())
        return std::nullopt;
    int integer = 0;
    if (!holdsInteger(value, &integer))
        throw Error(
            QStringLiteral("Значение \"%1\" в настройках окна (%2) не является целым числом")
                .arg(name, settings->fileName()));
    return integer;
}

void QtSettingsStore::writeIntegers(const std::vector<std::pair<QString, int>> &values)
{
    const auto settings = openSettings(m_fileName, m_format);
    for (const auto &[name, value] : values)
        settings->setValue(name, value);
    settings->sync();
    if (settings->status() != QSettings::NoError)
        throw Error(QStringLiteral("Не удалось записать настройки окна в %1: %2")
                        .arg(settings->fileName(), statusText(settings->status())));
}

} // namespace bp
