#include "disk_watch.h"

#include <QFileInfo>

namespace bp {
namespace {

// Programs write a file in several steps; a check this long after the first notification
// sees them all at once.
constexpr int kBurstMs = 100;
// How long the file must be left alone after a question before the next check.
constexpr int kSettleMs = 1000;

QString absolute(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

DiskWatch::DiskWatch(QObject *parent) : QObject(parent)
{
    m_burst.setSingleShot(true);
    m_burst.setInterval(kBurstMs);
    connect(&m_burst, &QTimer::timeout, this, &DiskWatch::check);
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &DiskWatch::check);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &DiskWatch::checkSoon);
    // The folder tells when a removed file comes back: no watch on the file survives it.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &DiskWatch::checkSoon);
}

void DiskWatch::watch(const QString &path, const FileIdentity &known)
{
    const QStringList watched = m_watcher.files() + m_watcher.directories();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    m_path = path;
    m_known = known;
    m_reported.reset();
    m_armed = FileIdentity();
    m_settle.stop();
    if (path.isEmpty())
        return;
    m_watcher.addPath(QFileInfo(path).absolutePath());
    arm(FileIdentity::of(path));
}

bool DiskWatch::isWatching(const QString &path) const
{
    return !m_path.isEmpty() && absolute(path) == absolute(m_path);
}

DiskChange DiskWatch::changeSinceKnown() const
{
    return diskChange(m_known, FileIdentity::of(m_path));
}

void DiskWatch::acceptCurrent()
{
    m_known = FileIdentity::of(m_path);
}

void DiskWatch::markReported()
{
    m_reported = FileIdentity::of(m_path);
}

void DiskWatch::checkSoon()
{
    if (m_path.isEmpty())
        return;
    // Every change while settling starts the wait again.
    if (m_settle.isActive())
        m_settle.start();
    else if (!m_burst.isActive())
        m_burst.start();
}

void DiskWatch::holdChecksWhile(const std::function<void()> &question)
{
    struct Hold
    {
        DiskWatch &watch;
        bool wasHolding;
        ~Hold()
        {
            watch.m_holding = wasHolding;
            if (!wasHolding && watch.m_checkHeldBack) {
                watch.m_checkHeldBack = false;
                watch.checkSoon();
            }
        }
    } hold{*this, m_holding};
    m_holding = true;
    question();
}

void DiskWatch::check()
{
    if (m_path.isEmpty())
        return;
    if (m_holding) {
        m_checkHeldBack = true;
        emit checked();
        return;
    }
    const FileIdentity current = FileIdentity::of(m_path);
    arm(current);
    const DiskChange change = diskChange(m_known, current);
    if (change != DiskChange::Unchanged && m_reported != current && m_handler) {
        bool told = false;
        holdChecksWhile([&] { told = m_handler(change); });
        // What happened while the question was showing belongs to the change it asked
        // about; the answer covers it.
        if (told) {
            m_reported = FileIdentity::of(m_path);
            m_burst.stop();
            m_settle.start();
        }
    }
    emit checked();
}

void DiskWatch::arm(const FileIdentity &current)
{
    const bool watching = m_watcher.files().contains(absolute(m_path));
    if (!current.exists) {
        if (watching)
            m_watcher.removePath(absolute(m_path));
        m_armed = current;
        return;
    }
    if (watching && current.fileNumber == m_armed.fileNumber && current.device == m_armed.device)
        return;
    if (watching)
        m_watcher.removePath(absolute(m_path));
    m_watcher.addPath(absolute(m_path));
    m_armed = current;
}

} // namespace bp
