#include "previous_content.h"

#include "error.h"
#include "text_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <mutex>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace bp {
namespace {

const QByteArray kFirstLine = QByteArrayLiteral("Brindlepad previous content 1");

struct Place
{
    std::mutex lock;
    QString folder;
    QString owner;
};

Place &place()
{
    static Place value;
    return value;
}

} // namespace

void setPreviousContentFolder(const QString &folder, const QString &owner)
{
    Place &here = place();
    const std::lock_guard guard(here.lock);
    here.folder = folder;
    here.owner = owner;
}

QString previousContentFolder()
{
    Place &here = place();
    const std::lock_guard guard(here.lock);
    if (!here.folder.isEmpty())
        return here.folder;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return data.isEmpty() ? QString() : data + QStringLiteral("/recovery");
}

QString previousContentOwner()
{
    Place &here = place();
    const std::lock_guard guard(here.lock);
    if (!here.owner.isEmpty())
        return here.owner;
    return QStringLiteral("%1-0").arg(QCoreApplication::applicationPid());
}

QByteArray previousContentHeader(const QString &path)
{
    QByteArray header = kFirstLine + '\n';
    header += "path=" + QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath()) + '\n';
    header += "time=" + QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + "\n\n";
    return header;
}

PreviousContent readPreviousContent(const QString &copyPath)
{
    auto unreadable = [&](const QString &reason) {
        return Error(QStringLiteral("Копия прежнего содержимого \"%1\" не прочитана: %2.")
                         .arg(copyPath, reason));
    };
    QFile file(copyPath);
    if (!QFileInfo(copyPath).isFile())
        throw unreadable(QStringLiteral("это не обычный файл"));
    if (!file.open(QIODevice::ReadOnly))
        throw unreadable(localReason(file.errorString(), EIO));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw unreadable(localReason(file.errorString(), EIO));
    const qsizetype headerEnd = bytes.indexOf("\n\n");
    if (!bytes.startsWith(QByteArray(kFirstLine + '\n')) || headerEnd < 0)
        throw unreadable(QStringLiteral("нет заголовка"));
    PreviousContent result;
    bool timeOk = false;
    for (const QByteArray &line : bytes.left(headerEnd).split('\n').mid(1)) {
        if (line.startsWith("path="))
            result.path = QUrl::fromPercentEncoding(line.mid(5));
        else if (line.startsWith("time="))
            result.writtenAt = QDateTime::fromMSecsSinceEpoch(line.mid(5).toLongLong(&timeOk));
    }
    if (result.path.isEmpty() || !timeOk)
        throw unreadable(QStringLiteral("повреждён заголовок"));
    result.bytes = bytes.mid(headerEnd + 2);
    return result;
}

void makePrivateFolder(const QString &folder)
{
    auto refuse = [&](const QString &reason) {
        return Error(QStringLiteral("Папка \"%1\" не годится для личных данных: %2.")
                         .arg(QDir::toNativeSeparators(folder), reason));
    };
    if (folder.isEmpty())
        throw refuse(systemReason(ENOENT));
    if (!QDir().mkpath(folder))
        throw refuse(QStringLiteral("ее не удалось создать"));
    const QFileInfo info(folder);
    if (!info.isDir())
        throw refuse(QStringLiteral("это не папка"));
        // Another user's folder could be read, or its files replaced, by that user.
#ifdef Q_OS_UNIX
    if (info.ownerId() != uint(::geteuid()))
        throw refuse(QStringLiteral("она принадлежит другому пользователю"));
#endif
    const QFile::Permissions own = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    if ((info.permissions() & others) != 0 || (info.permissions() & own) != own) {
        if (!QFile::setPermissions(folder,
                                   own | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser))
            throw refuse(QStringLiteral("другие пользователи имеют к ней доступ, и его не "
                                        "удалось закрыть"));
    }
}

QString systemReason(int code)
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
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("Превышена дисковая квота");
#endif
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
#ifdef ETXTBSY
    case ETXTBSY:
        return QStringLiteral("Файл занят");
#endif
    case ENAMETOOLONG:
        return QStringLiteral("Слишком длинное имя файла");
#ifdef ELOOP
    case ELOOP:
        return QStringLiteral("Слишком много уровней символических ссылок");
#endif
    case EEXIST:
        return QStringLiteral("Файл уже существует");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Открыто слишком много файлов");
    case ENOMEM:
        return QStringLiteral("Недостаточно памяти");
    case EBUSY:
        return QStringLiteral("Устройство или ресурс заняты");
    case EXDEV:
        return QStringLiteral("Файл нельзя переместить на другое устройство");
    }
    return QString::fromLocal8Bit(std::strerror(code));
}

QString localReason(const QString &reason, int fallbackCode)
{
    static const int known[] = {EACCES,  EPERM,   EROFS,  ENOSPC,       EFBIG,  EIO,
                                ENOENT,  ENOTDIR, EISDIR, ENAMETOOLONG, EEXIST, EMFILE,
                                ENFILE,  ENOMEM,  EBUSY,  EXDEV,
#ifdef EDQUOT
                                EDQUOT,
#endif
#ifdef ETXTBSY
                                ETXTBSY,
#endif
#ifdef ELOOP
                                ELOOP
#endif
    };
    const QString trimmed = reason.trimmed();
    if (trimmed.isEmpty() ||
        trimmed.compare(QLatin1String("Unknown error"), Qt::CaseInsensitive) == 0 ||
        trimmed == QStringLiteral("Неизвестная ошибка"))
        return systemReason(fallbackCode);
    for (const int code : known)
        if (trimmed.compare(QString::fromLocal8Bit(std::strerror(code)), Qt::CaseInsensitive) == 0)
            return systemReason(code);
    return reason;
}

#ifndef Q_OS_UNIX
// Where the system gives no descriptor's view, the file is looked at by its path right after.
void writeFileAtomically(const QString &path, const ByteSource &source, WrittenFile &written)
{
    writeFileAtomically(path, source);
    const QFileInfo info(path);
    written.size = info.size();
    written.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
}
#endif

} // namespace bp
