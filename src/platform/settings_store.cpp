#include "settings_store.h"

#include <QFileInfo>
#include <QMetaType>
#include <QStandardPaths>
#include <QVariant>
#include <memory>

namespace bp {
namespace {

bool holdsInteger(const QVariant &value, QSettings::Format format, int *integer)
{
#ifdef Q_OS_WIN
    // The registry keeps types: only a REG_DWORD arrives as int. toInt() would also accept
    // a string of digits, which is a value of the wrong type.
    if (format == QSettings::NativeFormat) {
        if (value.typeId() != QMetaType::Int)
            return false;
        *integer = value.toInt();
        return true;
    }
#else
    Q_UNUSED(format);
#endif
    // A settings file keeps text only, so "an integer" means text that parses as one.
    bool ok = false;
    *integer = value.toString().trimmed().toInt(&ok);
    return ok;
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

QString defaultLocation()
{
#ifdef Q_OS_WIN
    return QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\Brindlepad");
#else
    // Named here rather than left to QSettings, so the file can be checked before QSettings
    // opens it: QSettings reads the file as soon as it is constructed.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Brindlepad/Brindlepad.conf");
#endif
}

std::unique_ptr<QSettings> openSettings(const QString &fileName, QSettings::Format format)
{
#ifndef Q_OS_WIN
    // A named pipe or a device at the settings path would block the start for good, waiting
    // for a writer; anything but a regular file is refused before it is opened.
    const QFileInfo info(fileName);
    if (info.exists() && !info.isFile())
        throw Error(QStringLiteral("Настройки окна не прочитаны: %1 не является обычным файлом")
                        .arg(fileName));
#endif
    return std::make_unique<QSettings>(fileName, format);
}

} // namespace

std::optional<int> SettingsStore::readInteger(const QString &name)
{
    StoredInteger stored = readIntegers({name}).front();
    if (stored.error)
        throw *stored.error;
    return stored.value;
}

QtSettingsStore::QtSettingsStore()
    : m_fileName(defaultLocation()), m_format(QSettings::NativeFormat)
{}

QtSettingsStore::QtSettingsStore(QString fileName, QSettings::Format format)
    : m_fileName(std::move(fileName)), m_format(format)
{}

std::vector<StoredInteger> QtSettingsStore::readIntegers(const QStringList &names)
{
    const auto settings = openSettings(m_fileName, m_format);
    std::vector<StoredInteger> result;
    result.reserve(names.size());
    for (const QString &name : names) {
        StoredInteger stored;
        const QVariant value = settings->value(name);
        int integer = 0;
        if (value.isValid() && holdsInteger(value, m_format, &integer))
            stored.value = integer;
        else if (value.isValid())
            stored.error = Error(
                QStringLiteral("Значение \"%1\" в настройках окна (%2) не является целым числом")
                    .arg(name, settings->fileName()));
        result.push_back(std::move(stored));
    }
    return result;
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

bool QtSettingsStore::hasGroup(const QString &group)
{
    if (group.isEmpty())
        return true;
    const auto settings = openSettings(m_fileName, m_format);
    settings->beginGroup(group);
    return !settings->childKeys().isEmpty() || !settings->childGroups().isEmpty();
}

bool QtSettingsStore::isWritable()
{
    return openSettings(m_fileName, m_format)->isWritable();
}

QStringList SettingsStore::readStrings(const QString &)
{
    return {};
}

void SettingsStore::writeStrings(const QString &name, const QStringList &)
{
    throw Error(QStringLiteral("Список \"%1\" не сохранен: хранилище настроек не принимает текст")
                    .arg(name));
}

QStringList QtSettingsStore::readStrings(const QString &name)
{
    return openSettings(m_fileName, m_format)->value(name).toStringList();
}

void QtSettingsStore::writeStrings(const QString &name, const QStringList &values)
{
    const auto settings = openSettings(m_fileName, m_format);
    settings->setValue(name, values);
    settings->sync();
    if (settings->status() != QSettings::NoError)
        throw Error(QStringLiteral("Не удалось записать настройки в %1: %2")
                        .arg(settings->fileName(), statusText(settings->status())));
}

} // namespace bp
