#include "highlight/highlighter_settings_store.h"

#include "common/error.h"

#include <QMetaType>

namespace bp {

QString HighlighterSettingsStore::joinKey(const QString &parent, const QString &child)
{
    if (parent.isEmpty())
        return child;
    if (child.isEmpty())
        return parent;
    return parent + u'\\' + child;
}

QSettingsHighlighterStore::QSettingsHighlighterStore(std::unique_ptr<QSettings> settings)
    : m_settings(std::move(settings))
{
    Q_ASSERT(m_settings);
}

QSettingsHighlighterStore::QSettingsHighlighterStore(const QString &fileName,
                                                     QSettings::Format format)
    : m_settings(std::make_unique<QSettings>(fileName, format))
{}

QString QSettingsHighlighterStore::groupPath(const QString &keyPath)
{
    QString path = keyPath;
    path.replace(u'\\', u'/');
    while (path.startsWith(u'/'))
        path.remove(0, 1);
    while (path.endsWith(u'/'))
        path.chop(1);
    return path;
}

bool QSettingsHighlighterStore::keyExists(const QString &keyPath) const
{
    const QString group = groupPath(keyPath);
    if (group.isEmpty())
        return true;
    m_settings->beginGroup(group);
    const bool exists = !m_settings->childKeys().isEmpty() || !m_settings->childGroups().isEmpty();
    m_settings->endGroup();
    return exists;
}

bool QSettingsHighlighterStore::createKey(const QString &)
{
    // QSettings has no empty groups: a key comes into being with its first value.
    return m_settings->isWritable();
}

std::optional<qint32> QSettingsHighlighterStore::readInteger(const QString &keyPath,
                                                             const QString &valueName) const
{
    const QString key = groupPath(HighlighterSettingsStore::joinKey(keyPath, valueName));
    if (!m_settings->contains(key))
        return std::nullopt;
    const QVariant value = m_settings->value(key);
#ifdef Q_OS_WIN
    if (m_settings->format() == QSettings::NativeFormat) {
        if (value.typeId() != QMetaType::Int)
            throw Error(QStringLiteral("Invalid data type for '%1'").arg(valueName));
        return value.toInt();
    }
#endif
    bool ok = false;
    const qint32 number = value.toString().trimmed().toInt(&ok, 10);
    if (!ok)
        throw Error(QStringLiteral("Invalid data type for '%1'").arg(valueName));
    return number;
}

bool QSettingsHighlighterStore::writeInteger(const QString &keyPath, const QString &valueName,
                                             qint32 value)
{
    if (!m_settings->isWritable())
        return false;
    m_settings->setValue(groupPath(HighlighterSettingsStore::joinKey(keyPath, valueName)),
                         int(value));
    return true;
}

bool QSettingsHighlighterStore::flush()
{
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

} // namespace bp
