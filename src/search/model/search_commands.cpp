#include "search_commands.h"

#include "editor/model/edit_model.h"
#include "search_replace.h"

#include <utility>

namespace bp {
namespace {

char16_t asciiUpper(char16_t ch)
{
    return ch >= u'a' && ch <= u'z' ? char16_t(ch - u'a' + u'A') : ch;
}

// Only A-Z fold, the way the selection is compared with the text just found.
bool equalIgnoringAsciiCase(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (asciiUpper(a[i].unicode()) != asciiUpper(b[i].unicode()))
            return false;
    return true;
}

// The text between the selection's ends when they lie on one line, else the selected text.
// Right after a match this is the match itself in every selection mode, also in line mode,
// which shows the whole line selected.
QString selectedStretch(const EditModel &editor)
{
    const TBufferCoord begin = editor.BlockBegin();
    const TBufferCoord end = editor.BlockEnd();
    if (begin.Line != end.Line)
        return editor.SelText();
    return editor.Lines()
        .view(begin.Line - 1)
        .mid(begin.Char - 1, end.Char - begin.Char)
        .toString();
}

} // namespace

const QString SearchCommands::kNoSelectionQuestion =
    QStringLiteral("Нет выделения, искать во всем документе?");

SearchCommands::SearchCommands(EditModel &editor, DialogRunner dialog, Question question,
                               AlertSound alertSound)
    : m_editor(editor), m_dialog(std::move(dialog)), m_question(std::move(question)),
      m_alertSound(std::move(alertSound))
{}

void SearchCommands::ShowSearchReplaceDialog()
{
    const std::optional<TSearchSettings> confirmed = m_dialog(m_settings);
    if (!confirmed)
        return;
    m_settings = *confirmed;
    m_continueFromCaret = m_settings.FromCursor;
    if (m_settings.SearchText.isEmpty())
        return;
    DoSearchReplaceText(m_settings.Backwards);
    m_continueFromCaret = true;
}

void SearchCommands::DoSearchReplaceText(bool backwards)
{
    TSearchOptions options;
    options.setFlag(TSearchOption::ssoBackwards, backwards);
    options.setFlag(TSearchOption::ssoMatchCase, m_settings.CaseSensitive);
    options.setFlag(TSearchOption::ssoEntireScope, !m_continueFromCaret);
    if (m_settings.SelectedOnly) {
        // Right after a match the selection is the match itself: searching inside it
        // would find it again, so that counts as no selection.
        if (m_editor.SelAvail() &&
            !equalIgnoringAsciiCase(selectedStretch(m_editor), m_settings.SearchText)) {
            options |= TSearchOption::ssoSelectedOnly;
        } else {
            if (!m_question(kNoSelectionQuestion))
                return;
            m_settings.SelectedOnly = false;
        }
    }
    options.setFlag(TSearchOption::ssoWholeWord, m_settings.WholeWords);

    if (SearchReplace(m_editor, &m_editorSearch, m_settings.SearchText, QString(), options) != 0)
        return;
    m_alertSound();
    const TBufferCoord collapsed = backwards ? m_editor.BlockBegin() : m_editor.BlockEnd();
    m_editor.setCaretXY(collapsed);
}

} // namespace bp
