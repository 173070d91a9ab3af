#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// The folder a benchmark program writes its files to, removed when the program ends.
inline QTemporaryDir &tempDir()
{
    static QTemporaryDir dir;
    return dir;
}

// Writes `bytes` to a file `name` in that folder; its path.
inline QString writeFixture(const QString &name, const QByteArray &bytes)
{
    QFile file(tempDir().filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the benchmark file");
    return file.fileName();
}
