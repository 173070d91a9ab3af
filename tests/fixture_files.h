#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace bp::testing {

// The bytes of the file at `path`, or "<unreadable>".
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Writes a test's fixture; a fixture that cannot be written ends the test program.
inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write fixture %s", QFile::encodeName(path).constData());
}

} // namespace bp::testing
