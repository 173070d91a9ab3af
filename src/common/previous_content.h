#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace bp {

// An in-place save overwrites the only copy of a file. Until the new bytes are on disk, the
// old ones are kept in a named, synced file in the program's own data folder, so that a
// process killed mid-write leaves them behind for the next start to offer back.
//
// A copy is named "<owner>-<n>.previous", `owner` naming the process as its recovery file
// does, and holds a short UTF-8 header (one "key=value" per line, ended by an empty line)
// naming the file it belongs to, then the old bytes unchanged.

inline constexpr char kPreviousContentSuffix[] = ".previous";

// Where the copies go and how this process names itself there. Until it is called, the
// per-user data folder's "recovery" folder and "<pid>-0".
void setPreviousContentFolder(const QString &folder, const QString &owner);
QString previousContentFolder();
QString previousContentOwner();

// The header written before the old bytes of `path`.
QByteArray previousContentHeader(const QString &path);

struct PreviousContent
{
    // The file whose old bytes these are.
    QString path;
    QDateTime writtenAt;
    QByteArray bytes;
};

// Reads a copy. Throws bp::Error naming the copy when it is not one.
PreviousContent readPreviousContent(const QString &copyPath);

// Creates `folder` when missing and makes sure it is this user's and nobody else's (mode
// 0700, fixed when wider). Throws bp::Error with the reason when the folder belongs to
// another user or cannot be made private.
void makePrivateFolder(const QString &folder);

// The system's reason for error number `code`, in the language of the program's messages.
QString systemReason(int code);
// A reason as Qt gives it (the system's English text) in the program's language, where it
// is one the program knows; otherwise unchanged. An empty or "Unknown error" reason becomes
// the reason for `fallbackCode`.
QString localReason(const QString &reason, int fallbackCode);

} // namespace bp
