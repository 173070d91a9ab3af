#include "go_to_line.h"

#include "editor/model/edit_model.h"

#include <QRegularExpression>

namespace bp {

GoToLineTarget parseGoToLine(const QString &text, const EditModel &editor)
{
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d+)\\s*(?::\\s*(\\d+)\\s*)?$"));
    const int lastLine = editor.columns().displayLineCount();
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return {std::nullopt,
                QStringLiteral("Введите номер строки от 1 до %1, можно со столбцом через "
                               "двоеточие: 25:4")
                    .arg(lastLine)};
    // A number too long for any integer is as far out of range as a large one.
    bool fits = false;
    const qlonglong line = match.captured(1).toLongLong(&fits);
    if (!fits || line < 1 || line > lastLine)
        return {std::nullopt, QStringLiteral("Номер строки должен быть от 1 до %1").arg(lastLine)};
    const int lineNumber = int(line);
    if (!match.hasCaptured(2))
        return {TBufferCoord{1, lineNumber}, QString()};
    const int length = editor.Lines().Count() == 0 ? 0 : editor.Lines().length(lineNumber - 1);
    const int lastColumn = editor.columns().displayColumn(lineNumber, length + 1);
    const qlonglong column = match.captured(2).toLongLong(&fits);
    if (!fits || column < 1 || column > lastColumn)
        return {std::nullopt, QStringLiteral("Номер столбца в строке %1 должен быть от 1 до %2")
                                  .arg(lineNumber)
                                  .arg(lastColumn)};
    return {TBufferCoord{editor.columns().charColumnAt(lineNumber, int(column)), lineNumber},
            QString()};
}

void goToLine(EditModel &editor, TBufferCoord position)
{
    ViewWindow &view = editor.viewWindow();
    if (position.Line < view.topLine() || position.Line > view.bottomLine())
        view.setTopLine(std::max(1, position.Line - view.linesInWindow() / 2));
    editor.setCaretXY(position);
}

} // namespace bp
