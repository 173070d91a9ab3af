#pragma once

#include "completion_proposal_config.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace bp {

// The text a completion works on: the run of characters just left of the caret that are
// above U+0020 and not in EndOfTokenChr, and the column where it starts.
struct CompletionInput
{
    QString currentString;
    int startColumn; // 1-based; the completion start

    friend bool operator==(const CompletionInput &, const CompletionInput &) = default;
};

// Columns are 1-based. A caret in virtual space (two or more columns past the line's end)
// gives an empty current string starting at the caret.
CompletionInput completionInputAt(QStringView lineText, int caretColumn, QStringView endOfTokenChr);

// True when `candidate` starts with `currentString`; without case sensitivity each UTF-16
// unit is compared lower-cased. An empty current string matches everything.
bool completionMatches(QStringView candidate, QStringView currentString, bool caseSensitive);

// An entry of the filtered list: the ItemList text and its index in ItemList.
struct CompletionEntry
{
    QString text;
    qsizetype itemIndex;

    friend bool operator==(const CompletionEntry &, const CompletionEntry &) = default;
};

// The ItemList entries whose compared text matches `currentString`, in ItemList order. The
// compared text is the InsertList entry of the same index with scoUseInsertList, otherwise the
// ItemList entry.
QList<CompletionEntry> matchingCompletionEntries(const CompletionProposalConfig &config,
                                                 QStringView currentString);

// No popup line shows more characters than this, however wide the popup is made. The list
// shows entries cut to it, so a line of megabytes in "func.txt" costs no more to measure and
// paint than a long name; a confirmation still inserts the whole entry.
inline constexpr qsizetype kCompletionShownLength = 1024;

// The start of `entry` that the popup's list shows.
QString completionShownText(const QString &entry);

// Characters that end the word at the caret when a completion replaces it: everything up to
// U+002F, U+003A-U+0040, U+005B-U+005E, U+0060, U+007B-U+007E, U+00A7, U+00B0 and U+0491.
// The underscore, and letters and digits of any script (U+0491 apart), do not.
bool isCompletionWordBreak(QChar ch);

// The column just after the word at the caret: the first column at or after the caret that
// holds a word-break character, or the column after the line's end. Never left of the caret.
int completionWordEndColumn(QStringView lineText, int caretColumn);

// A confirmed completion: columns [startColumn, endColumn) of the caret line become `text`,
// and the caret goes to caretColumn, the end of the inserted text. When changesText is false
// the range already holds `text` and only the caret moves.
struct CompletionReplacement
{
    int startColumn;
    int endColumn;
    QString text;
    int caretColumn;
    bool changesText;

    friend bool operator==(const CompletionReplacement &, const CompletionReplacement &) = default;
};

// The replacement of the range from the completion start to the end of the word at the caret.
CompletionReplacement completionReplacement(QStringView lineText, int completionStart,
                                            int caretColumn, const QString &text);

} // namespace bp
