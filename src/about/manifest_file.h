#pragma once

#include <QByteArrayView>
#include <QString>
#include <QTemporaryFile>

namespace bp {

// The folder that keeps the manifest: TEMP when it names an existing folder, otherwise the
// system's temporary folder.
QString manifestFolder();

// "brindlepad.xml" in manifestFolder().
QString manifestPath();

// The manifest being downloaded. The bytes go into a fresh file with a unique name beside
// the manifest, never into a file opened by the manifest's own name: in a shared temporary
// folder anybody can plant a link there, and writing through it would overwrite the link's
// target. commit() renames the fresh file onto the manifest's name, which replaces a link
// instead of following it. A file that is never committed is removed.
class ManifestFile
{
public:
    // Throws bp::Error naming the manifest's path and the reason when no file can be
    // created in `folder`.
    explicit ManifestFile(const QString &folder = manifestFolder());

    // Where commit() puts the file.
    const QString &path() const { return m_path; }

    // All three throw bp::Error naming the path and the reason.
    void write(QByteArrayView bytes);
    // The bytes written so far, read from their start; read them before commit(), so that
    // an answer that is no manifest never takes the place of the one kept before.
    QIODevice &written();
    void commit();

private:
    QString m_path;
    QTemporaryFile m_file;
};

} // namespace bp
