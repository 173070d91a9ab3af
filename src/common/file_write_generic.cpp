// Saving where the POSIX calls are missing: the atomic replace alone, through QSaveFile.
#include "error.h"
#include "text_file.h"

#include <QFileInfo>
#include <QSaveFile>

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
    if (!file.commit())
        throw Error(reasonPrefix + file.errorString());
}

void ignoreFileSizeSignal() {}

} // namespace bp
