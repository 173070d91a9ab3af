#include "replace_commands.h"

#include "distance_from_end.h"
#include "editor/model/edit_commands.h"
#include "editor/model/edit_model.h"
#include "editor_search_custom.h"
#include "replace_all.h"
#include "search_commands.h"
#include "search_replace.h"

#include <utility>

namespace bp {

ReplaceCommands::ReplaceCommands(EditModel &editor, TEditorSearchCustom &engine, Question question,
                                 NotFound notFound, Report report)
    : m_editor(editor), m_engine(engine), m_question(std::move(question)),
      m_notFound(std::move(notFound)), m_report(std::move(report))
{}

QString ReplaceCommands::countReport(int count)
{
    return QStringLiteral("Заменено: %1").arg(count);
}

void ReplaceCommands::start()
{
    m_continueFromCaret = m_settings.FromCursor;
    m_scope.reset();
}

void ReplaceCommands::setSettings(const TSearchSettings &settings, const QString &replaceText)
{
    m_replaceText = replaceText;
    if (settings == m_settings)
        return;
    m_settings = settings;
    start();
}

std::optional<TSearchOptions> ReplaceCommands::searchOptions(bool forReplaceAll)
{
    TSearchOptions options;
    options.setFlag(TSearchOption::ssoBackwards, m_settings.Backwards);
    options.setFlag(TSearchOption::ssoMatchCase, m_settings.CaseSensitive);
    options.setFlag(TSearchOption::ssoWholeWord, m_settings.WholeWords);
    options.setFlag(TSearchOption::ssoEntireScope, !m_continueFromCaret);
    if (m_settings.SelectedOnly && !m_scope) {
        // A selection that is itself an occurrence is what the last search found, not a
        // range to search in; the search commands treat it the same way.
        if (m_editor.SelAvail() && (forReplaceAll || !selectionIsOccurrence())) {
            options |= TSearchOption::ssoSelectedOnly;
        } else {
            if (!m_question(SearchCommands::kNoSelectionQuestion))
                return std::nullopt;
            m_settings.SelectedOnly = false;
        }
    }
    return options;
}

bool ReplaceCommands::selectionIsOccurrence()
{
    if (!m_editor.SelAvail() || m_settings.SearchText.isEmpty())
        return false;
    const TBufferCoord begin = m_editor.BlockBegin();
    const TBufferCoord end = m_editor.BlockEnd();
    if (begin.Line != end.Line || begin.Line > m_editor.Lines().Count())
        return false;
    TSearchOptions options;
    options.setFlag(TSearchOption::ssoMatchCase, m_settings.CaseSensitive);
    options.setFlag(TSearchOption::ssoWholeWord, m_settings.WholeWords);
    m_engine.SetOptions(options);
    m_engine.SetPattern(m_settings.SearchText);
    const int count = m_engine.FindAll(m_editor.Lines().view(begin.Line - 1));
    for (int i = 0; i < count; ++i)
        if (m_engine.Results(i) == begin.Char && m_engine.Lengths(i) == end.Char - begin.Char)
            return true;
    return false;
}

bool ReplaceCommands::ReplaceNext()
{
    if (m_settings.SearchText.isEmpty())
        return false;
    const std::optional<TSearchOptions> options = searchOptions(false);
    if (!options)
        return false;
    if (options->testFlag(TSearchOption::ssoSelectedOnly)) {
        // From now on "replace next" stays inside this selection.
        m_scope = Scope{m_editor.BlockBegin(), m_editor.BlockEnd()};
        if (m_editor.selection().mode == TSelectionMode::smLine) {
            m_scope->begin.Char = 1;
            m_scope->end.Char = m_editor.Lines().length(m_scope->end.Line - 1) + 1;
        }
        m_editor.setCaretXY(m_settings.Backwards ? m_scope->end : m_scope->begin);
        m_continueFromCaret = true;
    } else if (selectionIsOccurrence()) {
        const TEditorLines &lines = m_editor.Lines();
        const TBufferCoord begin = m_editor.BlockBegin();
        const DistanceFromEnd afterMatch = distanceFromEnd(lines, m_editor.BlockEnd());
        std::optional<DistanceFromEnd> scopeEnd;
        if (m_scope)
            scopeEnd = distanceFromEnd(lines, m_scope->end);
        const QString found = m_editor.SelText();
        replaceRange(m_editor, begin, m_editor.BlockEnd(), m_engine.Replace(found, m_replaceText));
        if (scopeEnd)
            m_scope->end = positionAt(lines, *scopeEnd);
        // Past the new text, or before it when searching backwards: a replacement that holds
        // the search text is not found again.
        m_editor.setCaretXY(m_settings.Backwards ? begin : positionAt(lines, afterMatch));
        m_continueFromCaret = true;
    }
    return findNext(*options);
}

bool ReplaceCommands::findNext(TSearchOptions options)
{
    options.setFlag(TSearchOption::ssoSelectedOnly, false);
    // A replacement just made moved the caret on: the search goes on from there.
    options.setFlag(TSearchOption::ssoEntireScope, !m_continueFromCaret);
    const TBufferCoord caret = m_editor.CaretXY();
    bool found = SearchReplace(m_editor, &m_engine, m_settings.SearchText, QString(), options) != 0;
    m_continueFromCaret = true;
    if (found && m_scope) {
        const bool inside = m_settings.Backwards ? m_editor.BlockBegin() >= m_scope->begin
                                                 : m_editor.BlockEnd() <= m_scope->end;
        if (!inside) {
            m_editor.setCaretXY(caret);
            found = false;
        }
    }
    if (!found) {
        const TBufferCoord collapsed =
            m_settings.Backwards ? m_editor.BlockBegin() : m_editor.BlockEnd();
        m_editor.setCaretXY(collapsed);
        m_notFound(m_settings.SearchText);
    }
    return found;
}

int ReplaceCommands::ReplaceAllExecute()
{
    if (m_settings.SearchText.isEmpty())
        return 0;
    std::optional<TSearchOptions> options = searchOptions(true);
    if (!options)
        return 0;
    if (m_scope) {
        // "Replace next" has been working inside a selection: the rest of it is the range.
        m_editor.setCaretXY(m_scope->begin, false);
        m_editor.setCaretXY(m_scope->end, true);
        *options |= TSearchOption::ssoSelectedOnly;
    }
    const int count =
        ReplaceAll(m_editor, &m_engine, m_settings.SearchText, m_replaceText, *options);
    if (count == 0)
        m_notFound(m_settings.SearchText);
    else
        m_report(countReport(count));
    return count;
}

} // namespace bp
