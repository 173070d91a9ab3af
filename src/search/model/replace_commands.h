#pragma once

#include "editor/model/buffer_coord.h"
#include "search_options.h"
#include "search_settings.h"

#include <QString>
#include <functional>
#include <optional>

namespace bp {

class EditModel;
class TEditorSearchCustom;

// The replace command's two actions, "replace next" and "replace all", with the settings
// they keep between uses. They search with the same engine and the same rules as the search
// commands: case, whole words, direction, from the caret or the whole document, and in the
// selection. Everything that needs a window comes in through the seams.
class ReplaceCommands
{
public:
    // Asks a Yes/No warning question; true for Yes.
    using Question = std::function<bool(const QString &text)>;
    // Signals a search that found nothing: `text` is what was looked for.
    using NotFound = std::function<void(const QString &text)>;
    // Shows a short result, such as the number of replacements.
    using Report = std::function<void(const QString &text)>;

    ReplaceCommands(EditModel &editor, TEditorSearchCustom &engine, Question question,
                    NotFound notFound, Report report);

    // A new round, as when the dialog opens: the next search covers the whole document unless
    // `FromCursor` is set, and a selection to search in is taken afresh.
    void start();
    // What the dialog holds when a button is pressed. Changed search settings start a new
    // round; the replacement text may change at any time.
    void setSettings(const TSearchSettings &settings, const QString &replaceText);
    const TSearchSettings &settings() const { return m_settings; }
    const QString &replaceText() const { return m_replaceText; }

    // Replaces the selection when it is an occurrence of the search text, then selects the
    // next occurrence. Returns whether one was found.
    bool ReplaceNext();
    // Replaces every occurrence in the range the settings name, as one undo step, and
    // reports the count. Returns the count.
    int ReplaceAllExecute();

    static QString countReport(int count);

private:
    struct Scope
    {
        TBufferCoord begin;
        TBufferCoord end;
    };
    bool selectionIsOccurrence();
    // Builds the search options; nullopt when the user declined to search without a
    // selection.
    std::optional<TSearchOptions> searchOptions(bool forReplaceAll);
    bool findNext(TSearchOptions options);

    EditModel &m_editor;
    TEditorSearchCustom &m_engine;
    Question m_question;
    NotFound m_notFound;
    Report m_report;
    TSearchSettings m_settings;
    QString m_replaceText;
    bool m_continueFromCaret = false;
    // The selection that "replace next" stays inside, kept in step with its replacements.
    std::optional<Scope> m_scope;
};

} // namespace bp
