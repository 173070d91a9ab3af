#pragma once

#include <QSettings>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace bp {

// The user's persistent store of integer values (the main window's geometry). Nothing is
// cached: every call opens the store, works on it and closes it again.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    // The value `name`, or nullopt when it is absent. Throws bp::Error naming the value
    // when it is present but holds no integer.
    virtual std::optional<int> readInteger(const QString &name) = 0;

    // Writes every pair in order, replacing earlier values. Throws bp::Error when the store
    // cannot be written.
    virtual void writeIntegers(const std::vector<std::pair<QString, int>> &values) = 0;
};

// SettingsStore on QSettings. On Windows the default store is the registry key
// HKEY_CURRENT_USER\SOFTWARE\Brindlepad, where a plain int becomes REG_DWORD; elsewhere it is
// the platform's native settings file for the application.
class QtSettingsStore : public SettingsStore
{
public:
    QtSettingsStore();
    // A store at an explicit place, for example a private file in a test.
    QtSettingsStore(QString fileName, QSettings::Format format);

    std::optional<int> readInteger(const QString &name) override;
    void writeIntegers(const std::vector<std::pair<QString, int>> &values) override;

private:
    QString m_fileName;
    QSettings::Format m_format;
};

} // namespace bp
