#include "document_file.h"

#include "common/error.h"
#include "common/windows1251.h"
#include "editor/model/editor_lines.h"
#include "platform/user_prompts.h"

namespace bp {
namespace {

bool isLoneSurrogate(QStringView text, qsizetype i)
{
    const QChar unit = text[i];
    if (unit.isHighSurrogate())
        return i + 1 == text.size() || !text[i + 1].isLowSurrogate();
    if (unit.isLowSurrogate())
        return i == 0 || !text[i - 1].isHighSurrogate();
    return false;
}

bool hasLoneSurrogate(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (isLoneSurrogate(text, i))
            return true;
    return false;
}

QString withoutLoneSurrogates(const QString &text)
{
    QString result = text;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (isLoneSurrogate(text, i))
            result[i] = QChar(u'?');
    return result;
}

QString encodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Ansi:
        return QStringLiteral("Windows-1251");
    case TextEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return QStringLiteral("UTF-16");
    }
    return QString();
}

} // namespace

QString fileNamePart(const QString &path)
{
    const qsizetype cut =
        std::max({path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'), path.lastIndexOf(u':')});
    return path.mid(cut + 1);
}

QStringList newDocumentTemplate()
{
    return {QStringLiteral("PORTFOLIO_EX Portfolio_Name;"),
            QStringLiteral("DESCRIPTION Описание портфеля;"),
            QStringLiteral("CLIENTS_LIST ALL_CLIENTS;"),
            QStringLiteral("FIRMS_LIST FIRMID;"),
            QString(),
            QStringLiteral("PROGRAM"),
            QString(),
            QString(),
            QString(),
            QStringLiteral("END_PROGRAM"),
            QString(),
            QStringLiteral("PARAMETER Null;"),
            QStringLiteral("PARAMETER_TITLE Null;"),
            QStringLiteral("PARAMETER_DESCRIPTION Null;"),
            QStringLiteral("PARAMETER_TYPE STRING(10);"),
            QStringLiteral("END"),
            QString(),
            QStringLiteral("END_PORTFOLIO_EX")};
}

SaveBytes bytesToSave(const TEditorLines &lines, UserPrompts &prompts, QWidget *parent)
{
    const QString text = lines.text();
    const TextEncoding encoding = lines.encoding();
    const bool loneSurrogate = hasLoneSurrogate(text);
    const bool fits = encoding == TextEncoding::Ansi   ? windows1251::firstUnencodable(text) < 0
                      : encoding == TextEncoding::Utf8 ? !loneSurrogate
                                                       : true;
    if (fits)
        return {encodeText(text, encoding), encoding};

    // Only UTF-16 stores a lone surrogate as it is; every other character fits UTF-8.
    const TextEncoding wider = loneSurrogate ? TextEncoding::Utf16LE : TextEncoding::Utf8;
    const QString question =
        QStringLiteral("Текст содержит символы, которые нельзя записать в кодировке %1.\n\n"
                       "Да \u2014 сохранить файл в кодировке %2.\n"
                       "Нет \u2014 записать вместо таких символов знак \"?\".\n"
                       "Отмена \u2014 не сохранять.")
            .arg(encodingName(encoding), encodingName(wider));
    switch (prompts.askYesNoCancel(parent, question, PromptIcon::Question)) {
    case PromptAnswer::Yes:
        return {encodeText(text, wider), wider};
    case PromptAnswer::No:
        // Windows-1251 writes "?" for whatever it lacks; UTF-8 needs it done here.
        return {encodeText(withoutLoneSurrogates(text), encoding), encoding};
    case PromptAnswer::Cancel:
        break;
    }
    throw SilentAbort();
}

} // namespace bp
