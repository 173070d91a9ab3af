#include "function_help.h"

#include "editor/model/editor_lines.h"
#include "qpile_tokens.h"

namespace bp {
namespace {

// The signature tip shows this many keys of a returned MAP; the help shows them all.
constexpr int kTipKeys = 12;

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

QString paragraph(const QString &html)
{
    return QStringLiteral("<p>") + html + QStringLiteral("</p>");
}

QString code(const QString &html)
{
    return QStringLiteral("<code>") + html + QStringLiteral("</code>");
}

QString keyList(const QStringList &keys, int limit)
{
    const qsizetype shown = limit < 0 ? keys.size() : std::min<qsizetype>(limit, keys.size());
    QString list = escaped(keys.mid(0, shown).join(QStringLiteral(", ")));
    if (shown < keys.size())
        list += QStringLiteral(" и ещё %1 (F1 — все)").arg(keys.size() - shown);
    return list;
}

// "ключи: A, B; элементы BID: PRICE, QUANTITY" for a returned MAP; empty without keys.
QString returnedKeys(const QpileReturn &returns, int limit)
{
    QStringList parts;
    if (!returns.keys.isEmpty())
        parts << QStringLiteral("ключи: ") + code(keyList(returns.keys, limit));
    for (auto it = returns.itemKeys.begin(); it != returns.itemKeys.end(); ++it)
        parts << QStringLiteral("элементы %1: ").arg(code(escaped(it.key()))) +
                     code(keyList(it.value(), limit));
    return parts.join(QStringLiteral("; "));
}

QString valueList(const QList<QpileValue> &values)
{
    QStringList parts;
    for (const QpileValue &value : values)
        parts << (value.note.isEmpty()
                      ? escaped(value.value)
                      : escaped(value.value) + QStringLiteral(" — ") + escaped(value.note));
    return parts.join(QStringLiteral(", "));
}

} // namespace

// The result type, marked "?" in italics when the sources do not state it and it was inferred
// from the description; empty for a procedure and for the script's own FUNCs.
QString resultTypeHtml(const QpileFunction &function)
{
    if (function.returns.type.isEmpty() || function.returns.type == QStringLiteral("NONE"))
        return QString();
    if (function.unsureFields.contains(QStringLiteral("returns.type")))
        return QStringLiteral("<i>") + escaped(function.returns.type) + QStringLiteral("?</i>");
    return escaped(function.returns.type);
}

QString signatureHtml(const QpileFunction &function, int argument)
{
    QString html = resultTypeHtml(function);
    if (!html.isEmpty())
        html += u' ';
    html += escaped(function.name) + QStringLiteral(" (");
    for (int i = 0; i < function.params.size(); ++i) {
        const QpileParameter &parameter = function.params[i];
        QString text = escaped(parameter.type.isEmpty() ? parameter.name
                                                        : parameter.type + u' ' + parameter.name);
        if (parameter.optional)
            text = u'[' + text + u']';
        if (i == argument)
            text = QStringLiteral("<b>") + text + QStringLiteral("</b>");
        if (i > 0)
            html += QStringLiteral(", ");
        html += text;
    }
    html += u')';
    return html;
}

QString signatureTipHtml(const QpileFunction &function, int argument)
{
    QString html = paragraph(code(signatureHtml(function, argument)));
    if (argument >= 0 && argument < function.params.size()) {
        const QpileParameter &parameter = function.params[argument];
        QString note = QStringLiteral("<b>") + escaped(parameter.name) + QStringLiteral("</b>");
        if (!parameter.note.isEmpty())
            note += QStringLiteral(" — ") + escaped(parameter.note);
        if (!parameter.values.isEmpty())
            note += QStringLiteral("<br>Значения: ") + valueList(parameter.values);
        if (!parameter.keys.isEmpty())
            note += (parameter.keysAreExamples ? QStringLiteral("<br>Обычные ключи: ")
                                               : QStringLiteral("<br>Ключи: ")) +
                    code(keyList(parameter.keys, kTipKeys));
        html += paragraph(note);
    } else if (argument >= function.params.size()) {
        html += paragraph(
            QStringLiteral("Лишний аргумент (параметров: %1)").arg(function.params.size()));
    }
    const QString keys = returnedKeys(function.returns, kTipKeys);
    if (!keys.isEmpty())
        html += paragraph(
            QStringLiteral("Возвращает %1, %2").arg(escaped(function.returns.type), keys));
    return html;
}

QString functionHelpHtml(const QpileFunction &function)
{
    QString html;
    const QStringList forms =
        function.overloads.isEmpty() ? QStringList{function.signature} : function.overloads;
    QStringList signatures;
    // An inferred result type stands in front as in the signature tip, with its "?".
    const bool typeInferred = function.unsureFields.contains(QStringLiteral("returns.type"));
    for (const QString &form : forms) {
        QString text = form.trimmed();
        QString type;
        if (typeInferred) {
            if (text.startsWith(function.returns.type + u' '))
                text = text.mid(function.returns.type.size() + 1);
            type = resultTypeHtml(function) + u' ';
        }
        signatures << code(type + QStringLiteral("<b>") + escaped(text) + QStringLiteral("</b>"));
    }
    html += paragraph(signatures.join(QStringLiteral("<br>")));
    if (function.scriptLine > 0) {
        // The script's own FUNC: what its comment says and where it stands.
        if (!function.summary.isEmpty())
            html += paragraph(escaped(function.summary));
        html += paragraph(
            QStringLiteral("<i>Функция этого скрипта, строка %1.</i>").arg(function.scriptLine));
        return html;
    }
    if (function.discontinued)
        html += paragraph(QStringLiteral("<i>Больше не поддерживается терминалом.</i>"));
    else if (function.legacy)
        html += paragraph(QStringLiteral("<i>Оставлена только для совместимости.</i>"));
    html += paragraph(escaped(function.summary));

    QString result = QStringLiteral("<b>Возвращает:</b> ");
    if (function.returns.type == QStringLiteral("NONE"))
        result += QStringLiteral("ничего, вызывается как процедура");
    else
        result += code(resultTypeHtml(function));
    if (!function.returns.note.isEmpty() && function.returns.type != QStringLiteral("NONE"))
        result += QStringLiteral(" — ") + escaped(function.returns.note);
    const QString keys = returnedKeys(function.returns, -1);
    if (!keys.isEmpty())
        result += QStringLiteral("<br>") + keys.left(1).toUpper() + keys.mid(1);
    html += paragraph(result);

    if (!function.pitfalls.isEmpty()) {
        html += paragraph(QStringLiteral("<b>Осторожно:</b>"));
        html += QStringLiteral("<ul>");
        for (const QString &pitfall : function.pitfalls)
            html += QStringLiteral("<li>") + escaped(pitfall) + QStringLiteral("</li>");
        html += QStringLiteral("</ul>");
    }
    if (!function.unsureNote.isEmpty())
        html += paragraph(QStringLiteral("<i>Не подтверждено источниками: ") +
                          escaped(function.unsureNote) + QStringLiteral("</i>"));
    if (!function.example.isEmpty())
        html += paragraph(QStringLiteral("<b>Пример:</b> ") + code(escaped(function.example)));
    return html;
}

std::optional<QpileNameAt> findFunctionNameAt(const QpileReference &reference,
                                              const TEditorLines &lines, TBufferCoord position,
                                              TQPILEHighlighter &highlighter, bool orBefore)
{
    const int line = position.Line - 1;
    if (line < 0 || line >= lines.Count())
        return std::nullopt;
    // Strings and comments end with their line, so the line scans on its own.
    QpileLineTokens tokens;
    highlighter.ResetRange();
    tokens.scan(highlighter, lines.view(line), line);
    const int index = position.Char - 1;
    const QpileToken *covering = nullptr;
    const QpileToken *before = nullptr;
    for (const int i : tokens.significant()) {
        const QpileToken &token = tokens.all()[std::size_t(i)];
        if (token.pos <= index && index < token.end())
            covering = &token;
        else if (token.end() == index)
            before = &token;
    }
    const QpileToken *found = covering;
    if ((!found || !QpileLineTokens::isWord(*found)) && orBefore)
        found = before;
    if (!found || !QpileLineTokens::isWord(*found))
        return std::nullopt;
    const QpileFunction *function = reference.functionLowerCase(tokens.loweredText(*found));
    if (!function)
        return std::nullopt;
    return QpileNameAt{function, {found->pos + 1, position.Line}, found->length};
}

const QpileFunction *functionOfLibraryNode(const QpileReference &reference, const QString &nodeText)
{
    const qsizetype bracket = nodeText.indexOf(u'(');
    if (bracket < 0)
        return nullptr;
    return reference.function(QStringView(nodeText).left(bracket).trimmed());
}

} // namespace bp
