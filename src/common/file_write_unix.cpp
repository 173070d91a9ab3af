// Saving on POSIX systems: the atomic replace with the old file's metadata carried over, and
// the protected in-place write for the cases the replace cannot serve.
#include "error.h"
#include "text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <algorithm>
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

// The system's reason for a failure, in the language of the program's other messages.
QString reasonOf(int code)
{
    switch (code) {
    case EACCES:
        return QStringLiteral("Отказано в доступе");
    case EPERM:
        return QStringLiteral("Операция не допускается");
    case EROFS:
        return QStringLiteral("Файловая система доступна только для чтения");
    case ENOSPC:
        return QStringLiteral("На устройстве не осталось места");
    case EDQUOT:
        return QStringLiteral("Превышена дисковая квота");
    case EFBIG:
        return QStringLiteral("Файл слишком велик");
    case EIO:
        return QStringLiteral("Ошибка ввода-вывода");
    case ENOENT:
        return QStringLiteral("Нет такого файла или каталога");
    case ENOTDIR:
        return QStringLiteral("Часть пути не является каталогом");
    case EISDIR:
        return QStringLiteral("Это каталог");
    case ETXTBSY:
        return QStringLiteral("Файл занят");
    case ENAMETOOLONG:
        return QStringLiteral("Слишком длинное имя файла");
    case ELOOP:
        return QStringLiteral("Слишком много уровней символических ссылок");
    }
    return QString::fromLocal8Bit(std::strerror(code));
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

// Copies the whole content of `from` over the start of `to`, then cuts `to` to that size and
// syncs it; 0 or the errno of the failure.
int copyContent(int from, int to)
{
    std::vector<char> buffer(1 << 16);
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(from, buffer.data(), buffer.size(), offset);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (got == 0)
            break;
        if (const int code = writeAllAt(to, QByteArrayView(buffer.data(), got), offset))
            return code;
        offset += got;
    }
    if (::ftruncate(to, offset) != 0 || ::fsync(to) != 0)
        return errno;
    return 0;
}

// A write to the file that failed with this errno, thrown through the byte source.
struct WriteFailure
{
    int code;
};

// Replaces the file's content through the same inode, so every hard link and the owner,
// mode and attributes stay as they are. The old bytes are kept in a private copy outside
// the folder until the new ones are on disk; any failure writes them back.
void writeInPlace(const QByteArray &nativePath, const ByteSource &source,
                  const SaveFailure &failure)
{
    const Descriptor file(::open(nativePath.constData(), O_RDWR | O_CLOEXEC));
    if (file.get() < 0)
        throw failure(errno);

    // QDir::tempPath() is empty when TMPDIR names no folder; the copy must not land in "/".
    const QString temporaryFolder = QDir::tempPath();
    QTemporaryFile copy(temporaryFolder + QStringLiteral("/brindlepad-XXXXXX.bak"));
    if (temporaryFolder.isEmpty() || !copy.open())
        throw failure(QStringLiteral("Не удалось сохранить копию прежнего содержимого в папке "
                                     "временных файлов: %1")
                          .arg(temporaryFolder.isEmpty() ? reasonOf(ENOENT) : copy.errorString()));
    if (const int code = copyContent(file.get(), copy.handle()))
        throw failure(QStringLiteral("Не удалось сохранить копию прежнего содержимого в \"%1\": %2")
                          .arg(QDir::toNativeSeparators(copy.fileName()), reasonOf(code)));

    // Puts the old bytes back; when even that fails the copy stays, and the message names it.
    auto restore = [&](const QString &reason) {
        if (copyContent(copy.handle(), file.get()) == 0)
            return;
        // The copy is now the only sure record of the old content: it stays.
        copy.setAutoRemove(false);
        throw failure(reason + QStringLiteral(". Прежнее содержимое файла сохранено в \"%1\"")
                                   .arg(QDir::toNativeSeparators(copy.fileName())));
    };

    int code = 0;
    off_t size = 0;
    try {
        source([&](QByteArrayView piece) {
            if (const int failed = writeAllAt(file.get(), piece, size))
                throw WriteFailure{failed};
            size += piece.size();
        });
    } catch (const WriteFailure &written) {
        code = written.code;
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
    if (code == 0)
        return;
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

enum class Replaced
{
    Done,
    WriteInPlace
};

Replaced replaceWithNewFile(const QString &target, const QByteArray &nativePath,
                            const struct stat *old, const ByteSource &source,
                            const SaveFailure &failure)
{
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
        const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
        const int code =
            ::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) == 0 ? 0 : errno;
        // The folder takes no new file, but the file itself may be written.
        if (old && (code == EACCES || code == EPERM))
            return Replaced::WriteInPlace;
        throw failure(code != 0 ? reasonOf(code) : file.errorString());
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
    if (!file.commit())
        throw failure(file.errorString());
    return Replaced::Done;
}

} // namespace

void writeFileAtomically(const QString &path, QByteArrayView bytes)
{
    writeFileAtomically(path, [bytes](const ByteSink &write) { write(bytes); });
}

void writeFileAtomically(const QString &path, const ByteSource &source)
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
            writeInPlace(nativePath, source, failure);
            return;
        }
    }
    if (replaceWithNewFile(target, nativePath, exists ? &old : nullptr, source, failure) ==
        Replaced::WriteInPlace)
        writeInPlace(nativePath, source, failure);
}

void ignoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace bp
