#pragma once

#include "common/error.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

namespace bp {

// One value as a reading found it: absent (no value, no error), an integer, or a value that
// is present but holds no integer (the error names it).
struct StoredInteger
{
    std::optional<int> value;
    std::optional<Error> error;
};

// The user's persistent store of integer values: the main window's geometry, and the
// highlighter's attributes when they are saved. A name may hold groups separated by "/"
// ("Highlighter/Comment/Foreground"). Nothing is cached: every call opens the store, works on
// it and closes it again.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    // Every value of `names`, in that order, from one opening of the store. Throws bp::Error
    // when the store itself cannot be read; a single bad value only marks its own entry.
    virtual std::vector<StoredInteger> readIntegers(const QStringList &names) = 0;

    // Writes every pair in order, replacing earlier values. Throws bp::Error when the store
    // cannot be written.
    virtual void writeIntegers(const std::vector<std::pair<QString, int>> &values) = 0;

    // Whether any value lies in the group (a name without its last part); the empty group is
    // the whole store and always exists.
    virtual bool hasGroup(const QString &group) = 0;

    // Whether writes can succeed at all; false when the store is read-only for this user.
    virtual bool isWritable() = 0;

    // The value `name`, or nullopt when it is absent. Throws bp::Error naming the value when
    // it is present but holds no integer.
    std::optional<int> readInteger(const QString &name);

    // A list of texts under `name` (empty when absent). A store that keeps integers only
    // holds no texts.
    virtual QStringList readStrings(const QString &name);
    // Replaces the list under `name`. Throws bp::Error when the store cannot keep it.
    virtual void writeStrings(const QString &name, const QStringList &values);
};

// SettingsStore on QSettings. On Windows the default store is the registry key
// HKEY_CURRENT_USER\SOFTWARE\Brindlepad, where a plain int becomes REG_DWORD; elsewhere it is
// the file "Brindlepad/Brindlepad.conf" in the user's configuration folder.
class QtSettingsStore : public SettingsStore
{
public:
    QtSettingsStore();
    // A store at an explicit place, for example a private file in a test.
    QtSettingsStore(QString fileName, QSettings::Format format);

    std::vector<StoredInteger> readIntegers(const QStringList &names) override;
    void writeIntegers(const std::vector<std::pair<QString, int>> &values) override;
    bool hasGroup(const QString &group) override;
    bool isWritable() override;
    QStringList readStrings(const QString &name) override;
    void writeStrings(const QString &name, const QStringList &values) override;

private:
    QString m_fileName;
    QSettings::Format m_format;
};

} // namespace bp
