#include "manifest_file.h"

#include "common/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtGlobal>

namespace bp {
namespace {

QString failure(const QString &what, const QString &path, const QString &reason)
{
    return QStringLiteral("Не удалось %1 файл \"%2\". %3")
        .arg(what, QDir::toNativeSeparators(path), reason);
}

} // namespace

QString manifestFolder()
{
    const QString temp = qEnvironmentVariable("TEMP");
    if (!temp.isEmpty() && QFileInfo(temp).isDir())
        return QDir::cleanPath(temp);
    return QDir::tempPath();
}

QString manifestPath()
{
    return QDir(manifestFolder()).filePath(QStringLiteral("brindlepad.xml"));
}

ManifestFile::ManifestFile(const QString &folder)
    : m_path(QDir(folder).filePath(QStringLiteral("brindlepad.xml"))),
      m_file(QDir(folder).filePath(QStringLiteral("brindlepad-XXXXXX.part")))
{
    if (!m_file.open())
        throw Error(failure(QStringLiteral("создать"), m_path, m_file.errorString()));
}

void ManifestFile::write(QByteArrayView bytes)
{
    if (m_file.write(bytes.data(), bytes.size()) != bytes.size())
        throw Error(failure(QStringLiteral("записать"), m_path, m_file.errorString()));
}

QIODevice &ManifestFile::written()
{
    if (!m_file.flush() || !m_file.seek(0))
        throw Error(failure(QStringLiteral("прочитать"), m_path, m_file.errorString()));
    return m_file;
}

void ManifestFile::commit()
{
    if (!m_file.flush())
        throw Error(failure(QStringLiteral("записать"), m_path, m_file.errorString()));
    // The temporary file's rename never replaces an existing name, so whatever holds the
    // name goes first: removing a link removes the link alone. Something planted again in
    // between makes the rename fail instead of being followed.
    if (QFileInfo(m_path).isSymLink() || QFileInfo::exists(m_path))
        QFile::remove(m_path);
    if (!m_file.rename(m_path))
        throw Error(failure(QStringLiteral("записать"), m_path, m_file.errorString()));
    m_file.setAutoRemove(false);
}

} // namespace bp
