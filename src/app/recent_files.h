#pragma once

#include <QString>
#include <QStringList>

namespace bp {

class SettingsStore;

// The files last opened or saved, newest first, at most eight, kept in the settings store
// beside the window's values so that every instance of the program shares them. Nothing is
// cached: each call reads the store, and each change writes it back.
class RecentFiles
{
public:
    static constexpr int kLimit = 8;
    static const QString kStoreName;

    explicit RecentFiles(SettingsStore &store) : m_store(store) {}

    QStringList files() const;
    // Puts `path` (made absolute) first; an entry naming the same file goes.
    void add(const QString &path);
    void remove(const QString &path);

    // The menu caption of entry `index` (0-based): its number as mnemonic, then the path
    // shortened to about `maxLength` characters.
    static QString menuCaption(int index, const QString &path, int maxLength = 60);
    // `path` with the home folder as "~" and, when still longer than `maxLength`, the
    // folders in the middle left out ("…"); the file name and its root stay.
    static QString shortenedPath(const QString &path, int maxLength);

private:
    void write(const QStringList &files);

    SettingsStore &m_store;
};

} // namespace bp
