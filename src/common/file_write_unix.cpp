// Saving on POSIX systems: the atomic replace with the old file's metadata carried over, and
// the protected in-place write for the cases the replace cannot serve.
#include "error.h"
#include "previous_content.h"
#include "text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace bp {
namespace {

QString reasonOf(int code)
{
    return systemReason(code);
}

class SaveFailure
{
public:
    explicit SaveFailure(const QString &path)
        : m_prefix(QStringLiteral("Не удалось сохранить файл \"%1\". ").arg(path))
    {}
    Error operator()(const QString &reason) const { return Error(m_prefix + reason); }
    Error operator()(int code) const { return Error(m_prefix + reasonOf(code)); }

private:
    QString m_prefix;
};

// Closes a descriptor on every way out.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Writes all of `bytes` at `offset`; 0 or the errno of the failure.
int writeAllAt(int fd, QByteArrayView bytes, off_t offset)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written =
            ::pwrite(fd, bytes.data() + done, bytes.size() - done, offset + done);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return EIO;
        done += written;
    }
    return 0;
}

// Copies the content of `from` past `fromOffset` over `to` from `toOffset` on, then cuts `to`
// there (unless `cut` is false) and syncs it; 0 or the errno of the failure.
int copyContent(int from, off_t fromOffset, int to, off_t toOffset, bool cut = true)
{
    std::vector<char> buffer(1 << 16);
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(from, buffer.data(), buffer.size(), fromOffset + offset);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (got == 0)
            break;
        if (const int code = writeAllAt(to, QByteArrayView(buffer.data(), got), toOffset + offset))
            return code;
        offset += got;
    }
    if ((cut && ::ftruncate(to, toOffset + offset) != 0) || ::fsync(to) != 0)
        return errno;
    return 0;
}

// Syncs a folder's entries, so that a file created or removed there stays so after a crash.
int syncFolder(const QString &folder)
{
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int code = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return code;
}

void recordWritten(int fd, WrittenFile *written)
{
    struct stat status = {};
    if (!written || ::fstat(fd, &status) != 0)
        return;
    written->size = status.st_size;
    written->modifiedNs = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    written->fileNumber = status.st_ino;
    written->device = status.st_dev;
}

// The named copy of a file's old bytes, in the program's own data folder: created (0600),
// filled and synced before the first byte of the file is overwritten, and removed once the
// new bytes are on disk. A process killed in between leaves it for the next start.
class PreviousCopy
{
public:
    PreviousCopy(const QString &target, int file, const SaveFailure &failure)
    {
        const QString folder = previousContentFolder();
        auto cannot = [&](const QString &reason) {
            return failure(QStringLiteral("Не удалось сохранить копию прежнего содержимого в "
                                          "папке \"%1\": %2")
                               .arg(QDir::toNativeSeparators(folder), reason));
        };
        try {
            makePrivateFolder(folder);
        } catch (const Error &error) {
            throw cannot(error.message());
        }
        static std::atomic<int> sequence{0};
        for (;;) {
            m_path = QDir(folder).filePath(
                QStringLiteral("%1-%2").arg(previousContentOwner()).arg(++sequence) +
                QLatin1String(kPreviousContentSuffix));
            m_fd = ::open(QFile::encodeName(m_path).constData(),
                          O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (m_fd >= 0 || errno != EEXIST)
                break;
        }
        if (m_fd < 0)
            throw cannot(reasonOf(errno));
        const QByteArray header = previousContentHeader(target);
        m_offset = header.size();
        int code = writeAllAt(m_fd, header, 0);
        if (code == 0)
            code = copyContent(file, 0, m_fd, m_offset);
        struct stat copied = {};
        if (code == 0)
            code = ::fstat(m_fd, &copied) == 0 ? syncFolder(folder) : errno;
        m_size = copied.st_size - m_offset;
        if (code != 0) {
            discard();
            throw cannot(reasonOf(code));
        }
    }
    ~PreviousCopy()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    PreviousCopy(const PreviousCopy &) = delete;
    PreviousCopy &operator=(const PreviousCopy &) = delete;

    const QString &path() const { return m_path; }
    // The length of the old content.
    off_t size() const { return m_size; }
    // Writes the old bytes back over `file`; 0 or the errno of the failure.
    int putBack(int file) const { return copyContent(m_fd, m_offset, file, 0); }
    // Makes `file` the old bytes followed by `tail`; 0 or the errno of the failure. The tail
    // goes first, so that a crash in between still leaves it in the file beside this copy.
    int putBackBefore(int file, QByteArrayView tail) const
    {
        int code = writeAllAt(file, tail, m_size);
        if (code == 0)
            code = copyContent(m_fd, m_offset, file, 0, false);
        if (code == 0 && ::ftruncate(file, m_size + off_t(tail.size())) != 0)
            code = errno;
        if (code == 0 && ::fsync(file) != 0)
            code = errno;
        return code;
    }
    void discard()
    {
        ::unlink(QFile::encodeName(m_path).constData());
        syncFolder(QFileInfo(m_path).absolutePath());
    }

private:
    QString m_path;
    int m_fd = -1;
    off_t m_offset = 0;
    off_t m_size = 0;
};

const QString kChangedDuringSave =
    QStringLiteral("Файл изменен другой программой во время сохранения; он оставлен как есть");

// A write to the file that failed with this errno, thrown through the byte source.
struct WriteFailure
{
    int code;
};

// Another program wrote past the end this save expects: its bytes start at `from`.
struct OutsideWrite
{
    off_t from;
};

// Throws OutsideWrite when `file` has grown beyond both its old content and the `written`
// bytes of this save: only another program (a log, a sync client) puts bytes there.
void checkNoOutsideWrite(int file, off_t oldSize, off_t written)
{
    struct stat now = {};
    const off_t expected = std::max(oldSize, written);
    if (::fstat(file, &now) == 0 && now.st_size > expected)
        throw OutsideWrite{expected};
}

// The bytes of `file` from `from` to its end; empty when they cannot be read.
QByteArray readTail(int file, off_t from)
{
    struct stat now = {};
    if (::fstat(file, &now) != 0 || now.st_size <= from)
        return {};
    QByteArray tail(qsizetype(now.st_size - from), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < tail.size()) {
        const ssize_t got = ::pread(file, tail.data() + done, tail.size() - done, from + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += got;
    }
    tail.truncate(done);
    return tail;
}

// Replaces the file's content through the same inode, so every hard link and the owner,
// mode and attributes stay as they are. The old bytes are kept in a named copy until the new
// ones are on disk; any failure writes them back.
void writeInPlace(const QString &target, const QByteArray &nativePath, const ByteSource &source,
                  const SaveFailure &failure, WrittenFile *written)
{
    const Descriptor file(::open(nativePath.constData(), O_RDWR | O_CLOEXEC));
    if (file.get() < 0)
        throw failure(errno);
    PreviousCopy copy(target, file.get(), failure);

    // When the old bytes cannot be put back, the copy is the only sure record of them: it
    // stays, the message names it, and the next start offers it back.
    auto copyKept = [&](const QString &reason) {
        return failure(reason + QStringLiteral(". Прежнее содержимое файла сохранено в \"%1\"")
                                    .arg(QDir::toNativeSeparators(copy.path())));
    };
    auto restore = [&](const QString &reason) {
        if (copy.putBack(file.get()) != 0)
            throw copyKept(reason);
        copy.discard();
    };

    int code = 0;
    off_t size = 0;
    try {
        source([&](QByteArrayView piece) {
            // Before each piece: a piece written over another program's bytes would lose them.
            checkNoOutsideWrite(file.get(), copy.size(), size);
            if (const int failed = writeAllAt(file.get(), piece, size))
                throw WriteFailure{failed};
            size += piece.size();
        });
        checkNoOutsideWrite(file.get(), copy.size(), size);
    } catch (const WriteFailure &failed) {
        code = failed.code;
    } catch (const OutsideWrite &outside) {
        // The other program's bytes stay, after the old content they were added to, and the
        // save gives way as it does when a replacement is written.
        if (const int failed = copy.putBackBefore(file.get(), readTail(file.get(), outside.from)))
            throw copyKept(reasonOf(failed));
        copy.discard();
        throw failure(kChangedDuringSave);
    } catch (const Error &error) {
        restore(error.message());
        throw;
    } catch (...) {
        restore(reasonOf(EIO));
        throw;
    }
    if (code == 0 && ::ftruncate(file.get(), size) != 0)
        code = errno;
    if (code == 0 && ::fsync(file.get()) != 0)
        code = errno;
    if (code == 0) {
        recordWritten(file.get(), written);
        copy.discard();
        return;
    }
    restore(reasonOf(code));
    throw failure(code);
}

std::vector<std::string> attributeNames(ssize_t (*list)(const void *, char *, size_t),
                                        const void *source, bool &ok)
{
    ok = true;
    std::vector<std::string> names;
    const ssize_t size = list(source, nullptr, 0);
    if (size < 0) {
        ok = errno == ENOTSUP;
        return names;
    }
    std::vector<char> buffer(size);
    const ssize_t got = list(source, buffer.data(), buffer.size());
    if (got < 0) {
        ok = false;
        return names;
    }
    for (ssize_t at = 0; at < got; at += ssize_t(std::strlen(buffer.data() + at)) + 1)
        names.emplace_back(buffer.data() + at);
    return names;
}

// Gives the file `to` exactly the extended attributes (ACLs among them) of the file at
// `from`; false when it cannot.
bool copyExtendedAttributes(const QByteArray &from, int to)
{
    bool ok = false;
    const auto listPath = [](const void *source, char *buffer, size_t size) {
        return ::listxattr(static_cast<const char *>(source), buffer, size);
    };
    const auto listHandle = [](const void *source, char *buffer, size_t size) {
        return ::flistxattr(*static_cast<const int *>(source), buffer, size);
    };
    const std::vector<std::string> names = attributeNames(listPath, from.constData(), ok);
    if (!ok)
        return false;
    for (const std::string &name : names) {
        const ssize_t size = ::getxattr(from.constData(), name.c_str(), nullptr, 0);
        if (size < 0)
            return false;
        std::vector<char> value(std::max<ssize_t>(size, 1));
        const ssize_t got = ::getxattr(from.constData(), name.c_str(), value.data(), value.size());
        if (got < 0 || ::fsetxattr(to, name.c_str(), value.data(), got, 0) != 0)
            return false;
    }
    // A new file may have been given attributes of its own, such as an ACL inherited from
    // the folder, that the old file did not have.
    const std::vector<std::string> fresh = attributeNames(listHandle, &to, ok);
    if (!ok)
        return false;
    for (const std::string &name : fresh)
        if (std::find(names.begin(), names.end(), name) == names.end() &&
            ::fremovexattr(to, name.c_str()) != 0)
            return false;
    return true;
}

// Gives the new file the old one's owner, group, attributes and mode bits (setgid and sticky
// too); false when the system does not permit all of it.
bool carryOverMetadata(int to, const QByteArray &from, const struct stat &old)
{
    // A change that is refused leaves the new file's own values, which the check below sees.
    const bool owned =
        ::fchown(to, old.st_uid, old.st_gid) == 0 || ::fchown(to, uid_t(-1), old.st_gid) == 0;
    Q_UNUSED(owned);
    if (!copyExtendedAttributes(from, to))
        return false;
    // Last: a change of owner clears the setgid bit.
    if (::fchmod(to, old.st_mode & 07777) != 0)
        return false;
    struct stat now = {};
    if (::fstat(to, &now) != 0)
        return false;
    return now.st_uid == old.st_uid && now.st_gid == old.st_gid &&
           (now.st_mode & 07777) == (old.st_mode & 07777);
}

// Whether the file at `nativePath` is no longer the one `old` describes (or, with no `old`,
// whether a file has appeared there).
bool changedSince(const QByteArray &nativePath, const struct stat *old)
{
    struct stat now = {};
    if (::stat(nativePath.constData(), &now) != 0)
        return old != nullptr;
    if (!old)
        return true;
    return now.st_ino != old->st_ino || now.st_dev != old->st_dev || now.st_size != old->st_size ||
           now.st_mtim.tv_sec != old->st_mtim.tv_sec || now.st_mtim.tv_nsec != old->st_mtim.tv_nsec;
}

enum class Replaced
{
    Done,
    WriteInPlace
};

Replaced replaceWithNewFile(const QString &target, const QByteArray &nativePath,
                            const struct stat *old, const ByteSource &source,
                            const SaveFailure &failure, WrittenFile *written)
{
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
        const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
        const int code =
            ::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) == 0 ? 0 : errno;
        // The folder takes no new file, but the file itself may be written.
        if (old && (code == EACCES || code == EPERM))
            return Replaced::WriteInPlace;
        throw failure(code != 0 ? reasonOf(code) : localReason(file.errorString(), EIO));
    }
    const int fd = file.handle();
    if (old && !carryOverMetadata(fd, nativePath, *old)) {
        file.cancelWriting();
        return Replaced::WriteInPlace;
    }
    auto fail = [&](int code) {
        file.cancelWriting();
        throw failure(code);
    };
    try {
        source([&](QByteArrayView piece) {
            qint64 done = 0;
            while (done < piece.size()) {
                errno = 0;
                const qint64 written = file.write(piece.data() + done, piece.size() - done);
                if (written <= 0)
                    fail(errno != 0 ? errno : EIO);
                done += written;
            }
        });
    } catch (...) {
        // The new file goes; the old one was never touched.
        file.cancelWriting();
        throw;
    }
    errno = 0;
    if (!file.flush())
        fail(errno != 0 ? errno : EIO);
    // QSaveFile syncs too, but ignores the result; a failed sync must be a failed save.
    if (::fsync(fd) != 0)
        fail(errno);
    // Another program that wrote the file during the save would lose its work to the
    // replace: the save gives way and the file stays as that program left it.
    if (changedSince(nativePath, old)) {
        file.cancelWriting();
        throw failure(kChangedDuringSave);
    }
    recordWritten(fd, written);
    errno = 0;
    if (!file.commit())
        throw failure(localReason(file.errorString(), errno != 0 ? errno : EIO));
    return Replaced::Done;
}

} // namespace

void writeFileAtomically(const QString &path, QByteArrayView bytes)
{
    writeFileAtomically(path, [bytes](const ByteSink &write) { write(bytes); });
}

void writeFileAtomically(const QString &path, const ByteSource &source)
{
    WrittenFile written;
    writeFileAtomically(path, source, written);
}

void writeFileAtomically(const QString &path, const ByteSource &source, WrittenFile &written)
{
    const SaveFailure failure(path);
    const QFileInfo link(path);
    const QString target = link.isSymLink() ? link.symLinkTarget() : path;
    const QByteArray nativePath = QFile::encodeName(target);

    struct stat old = {};
    const bool exists = ::stat(nativePath.constData(), &old) == 0;
    if (!exists && errno != ENOENT)
        throw failure(errno);
    if (exists) {
        if (!S_ISREG(old.st_mode))
            throw failure(QStringLiteral("Это не обычный файл"));
        // The file's own permission decides, as for any write; the reason is the system's
        // (an immutable file, a read-only mount).
        if (::faccessat(AT_FDCWD, nativePath.constData(), W_OK, AT_EACCESS) != 0)
            throw failure(errno);
        // A replace would split the links: only the written name would see the new text.
        if (old.st_nlink > 1) {
            writeInPlace(target, nativePath, source, failure, &written);
            return;
        }
    }
    if (replaceWithNewFile(target, nativePath, exists ? &old : nullptr, source, failure,
                           &written) == Replaced::WriteInPlace)
        writeInPlace(target, nativePath, source, failure, &written);
}

void ignoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace bp
