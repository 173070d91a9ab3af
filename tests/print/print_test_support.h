#pragma once

#include "editor/model/editor_lines.h"
#include "print/editor_print.h"

#include <QFont>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

namespace bp {

using namespace Qt::StringLiterals;

// The program's own font choice, so that "Courier New" prints in its metric twin.
inline void substituteProgramFonts()
{
#ifndef Q_OS_WIN
    QFont::insertSubstitution(u"Courier New"_s, u"Liberation Mono"_s);
    QFont::insertSubstitution(u"Tahoma"_s, u"DejaVu Sans"_s);
#endif
}

inline QFont editorFont()
{
    QFont font(u"Courier New"_s);
    font.setPixelSize(13);
    return font;
}

// The engine as the main window sets it up, attached to `text`.
inline void setUpEngine(TEditorPrint &engine, TEditorLines &lines, const QString &text,
                        TCustomHighlighter *highlighter)
{
    engine.DocTitle = u"Brindlepad"_s;
    engine.Colors = true;
    engine.LineNumbers = true;
    lines.setText(text);
    engine.attachEditor(lines, highlighter, editorFont(), 4);
}

inline bool hasPoppler()
{
    return !QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty() &&
           !QStandardPaths::findExecutable(u"pdftoppm"_s).isEmpty();
}

// The pages of a PDF file as `pdftotext -layout` reads them.
inline QStringList pdfPages(const QString &path)
{
    QProcess process;
    process.start(u"pdftotext"_s, {u"-layout"_s, path, u"-"_s});
    process.waitForFinished(-1);
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(u'\f');
    if (!pages.isEmpty() && pages.constLast().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// Each word of a PDF file with its left and right edge in points, as `pdftotext -bbox`
// gives them.
struct PdfWord
{
    QString text;
    double left = 0;
    double right = 0;
};

inline QList<PdfWord> pdfWords(const QString &path)
{
    QProcess process;
    process.start(u"pdftotext"_s, {u"-bbox"_s, path, u"-"_s});
    process.waitForFinished(-1);
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\" "
                       "yMax=\"[0-9.]+\">([^<]*)</word>"));
    QList<PdfWord> words;
    for (const QRegularExpressionMatch &match : word.globalMatch(html))
        words.append(
            {match.captured(3), match.captured(1).toDouble(), match.captured(2).toDouble()});
    return words;
}

// Page `page` (1-based) of a PDF file rendered at `dotsPerInch`.
inline QImage pdfPageImage(const QString &path, int page, int dotsPerInch, QTemporaryDir &dir)
{
    const QString prefix = dir.filePath(u"page"_s);
    QProcess process;
    process.start(u"pdftoppm"_s,
                  {u"-r"_s, QString::number(dotsPerInch), u"-f"_s, QString::number(page), u"-l"_s,
                   QString::number(page), u"-singlefile"_s, u"-png"_s, path, prefix});
    process.waitForFinished(-1);
    return QImage(prefix + u".png"_s);
}

} // namespace bp
