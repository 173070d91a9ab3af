#include "recent_files.h"

#include "platform/settings_store.h"

#include <QDir>
#include <QFileInfo>

namespace bp {
namespace {

QString normalPath(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool sameFile(const QString &a, const QString &b)
{
#ifdef Q_OS_WIN
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}

} // namespace

const QString RecentFiles::kStoreName = QStringLiteral("RecentFiles");

QStringList RecentFiles::files() const
{
    QStringList files = m_store.readStrings(kStoreName);
    // A hand-edited store may hold blanks or more than the limit.
    files.removeAll(QString());
    if (files.size() > kLimit)
        files.resize(kLimit);
    return files;
}

void RecentFiles::add(const QString &path)
{
    const QString file = normalPath(path);
    QStringList files = this->files();
    files.removeIf([&](const QString &entry) { return sameFile(normalPath(entry), file); });
    files.prepend(file);
    if (files.size() > kLimit)
        files.resize(kLimit);
    write(files);
}

void RecentFiles::remove(const QString &path)
{
    const QString file = normalPath(path);
    QStringList files = this->files();
    if (files.removeIf([&](const QString &entry) { return sameFile(normalPath(entry), file); }))
        write(files);
}

void RecentFiles::write(const QStringList &files)
{
    m_store.writeStrings(kStoreName, files);
}

QString RecentFiles::menuCaption(int index, const QString &path, int maxLength)
{
    QString shown = QDir::toNativeSeparators(shortenedPath(path, maxLength));
    // An "&" in a folder name would otherwise underline the letter after it.
    shown.replace(u'&', QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}

QString RecentFiles::shortenedPath(const QString &path, int maxLength)
{
    QString shown = QDir::fromNativeSeparators(path);
    const QString home = QDir::homePath();
    if (!home.isEmpty() && home != u'/' && shown.startsWith(home + u'/'))
        shown = u'~' + shown.mid(home.size());
    if (shown.size() <= maxLength)
        return shown;
    QStringList parts = shown.split(u'/');
    if (parts.size() <= 2)
        return shown;
    // The root part (empty for "/", "~" or a drive) and the file name stay; folders are
    // kept from the file name upwards while they fit.
    const QString head = parts.takeFirst();
    const QString name = parts.takeLast();
    QString tail = name;
    const QString ellipsis = QStringLiteral("…");
    while (!parts.isEmpty() &&
           head.size() + 1 + ellipsis.size() + 1 + parts.constLast().size() + 1 + tail.size() <=
               maxLength) {
        tail = parts.takeLast() + u'/' + tail;
    }
    if (parts.isEmpty())
        return head + u'/' + tail;
    return head + u'/' + ellipsis + u'/' + tail;
}

} // namespace bp
