// Saving where the POSIX calls are missing: the atomic replace alone, through QSaveFile,
// with the new bytes synced before they take the old file's place.
#include "error.h"
#include "text_file.h"

#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace bp {

void writeFileAtomically(const QString &path, QByteArrayView bytes)
{
    writeFileAtomically(path, [bytes](const ByteSink &write) { write(bytes); });
}

void writeFileAtomically(const QString &path, const ByteSource &source)
{
    const QString reasonPrefix = QStringLiteral("Не удалось сохранить файл \"%1\". ").arg(path);
    const QFileInfo link(path);
    const QString target = link.isSymLink() ? link.symLinkTarget() : path;

    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(reasonPrefix + file.errorString());
    auto fail = [&] {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw Error(reasonPrefix + reason);
    };
    try {
        source([&](QByteArrayView piece) {
            qint64 done = 0;
            while (done < piece.size()) {
                const qint64 written = file.write(piece.data() + done, piece.size() - done);
                if (written <= 0)
                    fail();
                done += written;
            }
        });
    } catch (...) {
        // The new file goes; the old one was never touched.
        file.cancelWriting();
        throw;
    }
    if (!file.flush())
        fail();
        // QSaveFile syncs too, but ignores the result; a failed sync must be a failed save, or a
        // file the disk never took would replace the old one.
#ifdef Q_OS_WIN
    const bool synced = ::_commit(file.handle()) == 0;
#else
    const bool synced = ::fsync(file.handle()) == 0;
#endif
    if (!synced) {
        file.cancelWriting();
        throw Error(reasonPrefix + QStringLiteral("Данные не удалось записать на диск"));
    }
    if (!file.commit())
        throw Error(reasonPrefix + file.errorString());
}

void ignoreFileSizeSignal() {}

} // namespace bp
