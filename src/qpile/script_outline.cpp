#include "script_outline.h"

#include "editor/model/editor_lines.h"
#include "qpile_tokens.h"

#include <algorithm>

namespace bp {
namespace {

// The text of the line between `from` and the end of its last significant token, without
// a final ";".
QString restOfLine(const QpileLineTokens &tokens, int from)
{
    const int count = tokens.significantCount();
    if (count == 0)
        return QString();
    int end = tokens.significantAt(count - 1).end();
    if (tokens.isChar(tokens.significantAt(count - 1), u';'))
        end = tokens.significantAt(count - 1).pos;
    if (end <= from)
        return QString();
    return tokens.text().mid(from, end - from).trimmed().toString();
}

} // namespace

QList<QpileOutlineEntry> buildOutline(const TEditorLines &lines, TQPILEHighlighter &highlighter)
{
    QList<QpileOutlineEntry> outline;
    QpileLineTokens tokens;
    bool continued = false;
    // The column whose block is open, for its PARAMETER_TITLE.
    qsizetype openColumn = -1;
    highlighter.ResetRange();
    for (int line = 0; line < lines.Count(); ++line) {
        tokens.scan(highlighter, lines.view(line), line);
        const bool statementStart = !continued;
        continued = tokens.continuationMark() >= 0;
        if (!statementStart || tokens.significantCount() == 0)
            continue;
        const QpileToken &first = tokens.significantAt(0);
        if (!QpileLineTokens::isWord(first))
            continue;
        const QStringView word = tokens.loweredText(first);
        const QpileToken *second =
            tokens.significantCount() > 1 ? &tokens.significantAt(1) : nullptr;
        if (word == u"func" && second && QpileLineTokens::isWord(*second)) {
            QpileOutlineEntry entry;
            entry.kind = QpileOutlineEntry::Kind::Function;
            entry.name = tokens.textOf(*second).toString();
            entry.title = restOfLine(tokens, second->end());
            entry.line = line + 1;
            entry.column = second->pos + 1;
            outline.append(entry);
        } else if (word == u"parameter" && second) {
            QpileOutlineEntry entry;
            entry.kind = QpileOutlineEntry::Kind::Column;
            entry.name = restOfLine(tokens, first.end());
            entry.line = line + 1;
            entry.column = second->pos + 1;
            outline.append(entry);
            openColumn = outline.size() - 1;
        } else if (word == u"parameter_title" && openColumn >= 0) {
            outline[openColumn].title = restOfLine(tokens, first.end());
        } else if (word == u"end" || word == u"end_portfolio_ex" || word == u"end_portfolio") {
            openColumn = -1;
        }
    }
    return outline;
}

QList<QpileFunction> scriptFunctions(const TEditorLines &lines, const std::vector<int> &funcLines,
                                     TQPILEHighlighter &highlighter)
{
    QList<QpileFunction> functions;
    QpileLineTokens tokens;
    for (const int line : funcLines) {
        if (line < 0 || line >= lines.Count())
            continue;
        highlighter.ResetRange();
        tokens.scan(highlighter, lines.view(line), line);
        if (tokens.significantCount() < 2 || tokens.loweredText(tokens.significantAt(0)) != u"func")
            continue;
        QpileFunction function;
        const QpileToken &name = tokens.significantAt(1);
        function.name = tokens.textOf(name).toString();
        function.scriptLine = line + 1;
        function.category = QStringLiteral("Функции скрипта");
        function.returns.type = QString();
        for (int i = 2; i < tokens.significantCount(); ++i) {
            const QpileToken &token = tokens.significantAt(i);
            if (!QpileLineTokens::isWord(token))
                continue;
            QpileParameter parameter;
            parameter.name = tokens.textOf(token).toString();
            function.params.append(parameter);
        }
        const QpileToken &last = tokens.significantAt(tokens.significantCount() - 1);
        function.signature = tokens.text().mid(name.pos, last.end() - name.pos).toString();
        // The comment lines right above the FUNC tell what it does.
        QStringList comment;
        for (int above = line - 1; above >= 0; --above) {
            const QString text = lines.view(above).trimmed().toString();
            if (!text.startsWith(u'\''))
                break;
            const QString said = text.mid(1).trimmed();
            if (std::any_of(said.begin(), said.end(), [](QChar c) { return c.isLetter(); }))
                comment.prepend(said);
        }
        function.summary = comment.join(u' ');
        functions.append(function);
    }
    return functions;
}

} // namespace bp
