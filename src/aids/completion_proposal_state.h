#pragma once

#include "completion_matching.h"
#include "completion_proposal_config.h"

#include <QChar>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace bp {

// What the popup does after a key.
enum class CompletionStep
{
    StayOpen, // the list was refiltered or the highlight moved
    Close,    // close without inserting anything
    Confirm,  // insert the highlighted entry (call confirm()), then close
};

// The answer to a printable or control character typed while the popup is open.
struct TypedCharacterOutcome
{
    CompletionStep step;
    bool typeIntoPane; // then type the character into the editor pane
    bool reopen;       // then open the popup again at the new caret (a trigger character)

    friend bool operator==(const TypedCharacterOutcome &, const TypedCharacterOutcome &) = default;
};

// The state and rules of one completion popup, without the window: its lists and options, and
// while it is open the current string, the completion start, the filtered list and the
// highlighted entry. The popup widget maps keys and mouse to these calls and applies the
// results to the editor pane. Calls that return a step never close the state themselves: the
// widget calls close() or confirm() as the step says.
class CompletionProposalState
{
public:
    explicit CompletionProposalState(CompletionProposalConfig config = {});

    const CompletionProposalConfig &config() const { return m_config; }
    void setItemList(const QStringList &items) { m_config.ItemList = items; }
    void setInsertList(const QStringList &items) { m_config.InsertList = items; }

    bool isOpen() const { return m_open; }

    // Opens at the caret (1-based column) and highlights the first entry. Returns false and
    // stays closed when ItemList is empty.
    bool open(QStringView lineText, int caretColumn);
    void close();

    const QString &currentString() const { return m_currentString; }
    int completionStart() const { return m_completionStart; }
    const QList<CompletionEntry> &filteredList() const { return m_filtered; }

    // Index of the highlighted entry in the filtered list; -1 when the list is empty.
    int position() const { return m_position; }
    // Clamped to the list (a click on an entry, the mouse wheel).
    void setPosition(int position);
    // Up and Down move by one, PgUp and PgDn by the number of visible entries; stops at the
    // ends.
    void moveHighlight(int delta) { setPosition(m_position + delta); }
    void highlightFirst() { setPosition(0); }
    void highlightLast() { setPosition(int(m_filtered.size()) - 1); }

    // A character typed while open. Control characters close the popup. A space confirms; any
    // other EndOfTokenChr character closes; either is then typed, and a trigger character
    // reopens. Any other character extends the current string and is typed.
    TypedCharacterOutcome typeCharacter(QChar ch);

    // Backspace and Left: with an empty current string the popup closes, otherwise the
    // current string loses its last character. The pane does its Backspace or Left either way.
    CompletionStep stepBack();

    // Right: the character under the caret (a blank at or beyond the line's end) closes the
    // popup when it ends a word, otherwise it extends the current string. The caret moves
    // right either way.
    CompletionStep stepRight(QStringView lineText, int caretColumn);

    // Enter confirms with scoCompleteWithEnter, Tab with scoCompleteWithTab; otherwise they
    // close. Neither is typed into the pane.
    CompletionStep enterKey() const;
    CompletionStep tabKey() const;

    bool isTriggerCharacter(QChar ch) const { return m_config.TriggerChars.contains(ch); }

    // The text a confirmation inserts: the highlighted entry, or with scoUseInsertList the
    // InsertList entry at its ItemList index. None with an empty list or no such entry.
    std::optional<QString> textToInsert() const;

    // Confirms and closes: the replacement of the range from the completion start to the end
    // of the word at the caret, to be applied as one undo step with the caret at its end and
    // no selection. None when there is nothing to insert; the popup closes all the same.
    std::optional<CompletionReplacement> confirm(QStringView lineText, int caretColumn);

private:
    void refilter();

    CompletionProposalConfig m_config;
    bool m_open = false;
    QString m_currentString;
    int m_completionStart = 1;
    QList<CompletionEntry> m_filtered;
    int m_position = -1;
};

} // namespace bp
