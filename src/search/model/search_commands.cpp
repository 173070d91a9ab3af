#include "search_commands.h"

#include "editor/model/edit_model.h"
#include "search_replace.h"

#include <algorithm>
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

// Compares a text given piece by piece with `whole`, only A-Z folded, without joining the
// pieces: a selection of a million lines costs no more than the search text's length.
class PiecewiseComparison
{
public:
    explicit PiecewiseComparison(QStringView whole) : m_whole(whole) {}

    // False as soon as the pieces so far are no longer a start of `whole`.
    bool add(QStringView piece)
    {
        if (piece.size() > m_whole.size() - m_done ||
            !equalIgnoringAsciiCase(piece, m_whole.sliced(m_done, piece.size())))
            return false;
        m_done += piece.size();
        return true;
    }
    bool complete() const { return m_done == m_whole.size(); }

private:
    QStringView m_whole;
    qsizetype m_done = 0;
};

// Whether the selected text (as EditModel::SelText builds it: pieces of lines joined by
// CR LF) equals `text`; the pieces are compared where they lie.
bool selectedTextEquals(const EditModel &editor, QStringView text)
{
    const TEditorLines &lines = editor.Lines();
    PiecewiseComparison comparison(text);
    if (!editor.SelAvail() || lines.isEmpty())
        return comparison.complete();
    const QStringView lineBreak = u"\r\n";
    const TBufferCoord begin = editor.BlockBegin();
    const TBufferCoord end = editor.BlockEnd();
    const int lastLine = std::min(end.Line, lines.Count());
    // [from, to) of a line in 1-based character columns, cut at its end; to < 0: to its end.
    auto slice = [&](int line, int from, int to) {
        const QStringView whole = lines.view(line - 1);
        from = std::min<int>(from - 1, int(whole.size()));
        to = to < 0 ? int(whole.size()) : std::min<int>(to - 1, int(whole.size()));
        return to > from ? whole.sliced(from, to - from) : QStringView();
    };
    switch (editor.selection().mode) {
    case TSelectionMode::smNormal:
        if (begin.Line == end.Line)
            return comparison.add(slice(begin.Line, begin.Char, end.Char)) && comparison.complete();
        if (!comparison.add(slice(begin.Line, begin.Char, -1)))
            return false;
        for (int line = begin.Line + 1; line < lastLine; ++line)
            if (!comparison.add(lineBreak) || !comparison.add(lines.view(line - 1)))
                return false;
        if (end.Line <= lines.Count() &&
            (!comparison.add(lineBreak) || !comparison.add(slice(end.Line, 1, end.Char))))
            return false;
        return comparison.complete();
    case TSelectionMode::smLine:
        for (int line = begin.Line; line <= lastLine; ++line)
            if (!comparison.add(lines.view(line - 1)) ||
                (line < lines.Count() && !comparison.add(lineBreak)))
                return false;
        return comparison.complete();
    case TSelectionMode::smColumn: {
        const auto [left, right] = editor.columns().selectionColumns(editor.selection());
        for (int line = begin.Line; line <= lastLine; ++line) {
            if (line > begin.Line && !comparison.add(lineBreak))
                return false;
            if (!comparison.add(slice(line, editor.columns().charColumnAt(line, left),
                                      editor.columns().charColumnAt(line, right))))
                return false;
        }
        return comparison.complete();
    }
    }
    return false;
}

// Whether the selection is the text just found: the text between the selection's ends
// when they lie on one line, else the selected text. Right after a match this is the match
// itself in every selection mode, also in line mode, which shows the whole line selected.
bool selectionIsMatch(const EditModel &editor, QStringView text)
{
    const TBufferCoord begin = editor.BlockBegin();
    const TBufferCoord end = editor.BlockEnd();
    if (begin.Line != end.Line)
        return selectedTextEquals(editor, text);
    return equalIgnoringAsciiCase(
        editor.Lines().view(begin.Line - 1).mid(begin.Char - 1, end.Char - begin.Char), text);
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
        if (m_editor.SelAvail() && !selectionIsMatch(m_editor, m_settings.SearchText)) {
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
