// Saving where the POSIX calls are missing: the atomic replace alone, through QSaveFile.
#include "error.h"
#include "text_file.h"

#include <QFileInfo>
#include <QSaveFile>

namespace bp {

void writeFileAtomically(const QString &path, QByteArrayView bytes)
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
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.data() + done, bytes.size() - done);
        if (written <= 0)
            fail();
        done += written;
    }
    if (!file.flush())
        fail();
    if (!file.commit())
        throw Error(reasonPrefix + file.errorString());
}

void ignoreFileSizeSignal() {}

} // namespace bp
