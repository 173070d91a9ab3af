#pragma once

#include <QSettings>
#include <QString>
#include <memory>
#include <optional>

namespace bp {

// The seam between the highlighter's registry persistence and a settings store: a tree of
// keys holding named integer values. Key paths are relative to the store's root, their parts
// separated by backslashes ("SOFTWARE\\Brindlepad\\Highlighter\\Comment").
class HighlighterSettingsStore
{
public:
    virtual ~HighlighterSettingsStore() = default;

    // Whether the key can be opened for reading: it exists. The empty path is the root.
    virtual bool keyExists(const QString &keyPath) const = 0;
    // Opens the key for writing, creating it when missing; false when that is impossible.
    virtual bool createKey(const QString &keyPath) = 0;
    // The value, or nothing when it does not exist. A value that exists but holds no integer
    // throws bp::Error("Invalid data type for '<valueName>'").
    virtual std::optional<qint32> readInteger(const QString &keyPath,
                                              const QString &valueName) const = 0;
    virtual bool writeInteger(const QString &keyPath, const QString &valueName, qint32 value) = 0;
    // Makes the writes so far permanent; false when the store could not be written.
    virtual bool flush() { return true; }

    static QString joinKey(const QString &parent, const QString &child);
};

// A store over QSettings: each key is a settings group. On Windows a QSettings in native
// format over "HKEY_CURRENT_USER\\..." reaches the registry; elsewhere, and in tests, it is a
// file. An integer is a value of type int in the registry, and a text that parses as a
// decimal integer in a file.
class QSettingsHighlighterStore : public HighlighterSettingsStore
{
public:
    explicit QSettingsHighlighterStore(std::unique_ptr<QSettings> settings);
    QSettingsHighlighterStore(const QString &fileName, QSettings::Format format);

    bool keyExists(const QString &keyPath) const override;
    bool createKey(const QString &keyPath) override;
    std::optional<qint32> readInteger(const QString &keyPath,
                                      const QString &valueName) const override;
    bool writeInteger(const QString &keyPath, const QString &valueName, qint32 value) override;
    bool flush() override;

    QSettings &settings() { return *m_settings; }

private:
    static QString groupPath(const QString &keyPath);

    std::unique_ptr<QSettings> m_settings;
};

} // namespace bp
