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

// The program's own font choice, so that "Courier New" prints in its metric twin.
inline void substituteProgramFonts()
{
#ifndef Q_OS_WIN
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
    QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"));
#endif
}

inline QFont editorFont()
{
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(13);
    return font;
}

// The engine as the main window sets it up, attached to `text`.
inline void setUpEngine(TEditorPrint &engine, TEditorLines &lines, const QString &text,
                        TCustomHighlighter *highlighter)
{
    engine.DocTitle = QStringLiteral("Brindlepad");
    engine.Colors = true;
    engine.LineNumbers = true;
    lines.setText(text);
    engine.attachEditor(lines, highlighter, editorFont(), 4);
}

inline bool hasPoppler()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty();
}

// The pages of a PDF file as `pdftotext -layout` reads them.
inline QStringList pdfPages(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), path, QStringLiteral("-")});
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
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-bbox"), path, QStringLiteral("-")});
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
    const QString prefix = dir.filePath(QStringLiteral("page"));
    QProcess process;
    process.start(QStringLiteral("pdftoppm"),
                  {QStringLiteral("-r"), QString::number(dotsPerInch), QStringLiteral("-f"),
                   QString::number(page), QStringLiteral("-l"), QString::number(page),
                   QStringLiteral("-singlefile"), QStringLiteral("-png"), path, prefix});
    process.waitForFinished(-1);
    return QImage(prefix + QStringLiteral(".png"));
}

} // namespace bp
