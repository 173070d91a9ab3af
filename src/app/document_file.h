#pragma once

#include "common/text_file.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class QWidget;

namespace bp {

class TEditorLines;
class UserPrompts;

// The file-name part of `path`: what follows its last "\", "/" or ":".
QString fileNamePart(const QString &path);

// The 18 lines of a new document.
QStringList newDocumentTemplate();

// What a save writes, and the encoding the document has once it is written.
struct SaveBytes
{
    QByteArray bytes;
    TextEncoding encoding = TextEncoding::Ansi;
};

// The bytes that saving `lines` writes. Nothing is dropped silently: when the remembered
// encoding cannot hold every character, the user is asked first (a box parented to
// `parent`):
// - Windows-1251 lacking characters: Yes saves as UTF-8 with its mark, No writes "?" for
//   each such character;
// - a lone surrogate (which neither Windows-1251 nor UTF-8 can hold): Yes saves as UTF-16
//   little-endian with its mark, which keeps every code unit as it is; No writes "?" for
//   it (and for any other character the encoding lacks).
// Cancel throws bp::SilentAbort: nothing is to be written.
SaveBytes bytesToSave(const TEditorLines &lines, UserPrompts &prompts, QWidget *parent);

} // namespace bp
