#pragma once

#include "editor_search.h"
#include "search_settings.h"

#include <QString>
#include <functional>
#include <optional>

namespace bp {

class EditModel;

// The two search commands of the main window, Ctrl+F and F3, with the settings they keep
// between searches. Everything that needs a window comes in through the seams, so the
// commands run against a bare EditModel.
class SearchCommands
{
public:
    // Shows the search dialog modally, filled from the given settings; the settings
    // as the user confirmed them, or nothing when the dialog was cancelled.
    using DialogRunner = std::function<std::optional<TSearchSettings>(const TSearchSettings &)>;
    // Asks a Yes/No warning question; true for Yes.
    using Question = std::function<bool(const QString &text)>;
    // The information alert sound that signals a search without a match.
    using AlertSound = std::function<void()>;

    static const QString kNoSelectionQuestion;

    SearchCommands(EditModel &editor, DialogRunner dialog, Question question,
                   AlertSound alertSound);

    // Ctrl+F: the dialog, then a first search with what it confirmed.
    void ActionSearchExecute() { ShowSearchReplaceDialog(); }
    // F3: the search again with the stored settings.
    void ActionSearchNextExecute() { DoSearchReplaceText(m_settings.Backwards); }

    void ShowSearchReplaceDialog();
    // One search with the stored settings in the given direction (true = backwards).
    void DoSearchReplaceText(bool backwards);

    const TSearchSettings &settings() const { return m_settings; }
    // False: the next search covers the whole document; true: it starts at the caret.
    bool ContinueFromCaret() const { return m_continueFromCaret; }
    TEditorSearch &EditorSearch1() { return m_editorSearch; }

private:
    EditModel &m_editor;
    DialogRunner m_dialog;
    Question m_question;
    AlertSound m_alertSound;
    TEditorSearch m_editorSearch;
    TSearchSettings m_settings;
    bool m_continueFromCaret = false;
};

} // namespace bp
