#pragma once

#include <QFlags>
#include <QString>
#include <QStringList>

namespace bp {

// The options of a completion popup that change its behaviour here. Anything not listed
// (built-in timer, end-character completion, word-break consideration, centred title) is
// never set.
enum class TCompletionOption
{
    scoCaseSensitive = 0x01,      // unset: matching ignores case
    scoLimitToMatchedText = 0x02, // show only the entries that match; unset: show all
    scoUseInsertList = 0x04,      // match and insert the InsertList entry of the same index
    scoUsePrettyText = 0x08,      // entries may carry display formatting (none is defined)
    scoCompleteWithTab = 0x10,
    scoCompleteWithEnter = 0x20,
};
Q_DECLARE_FLAGS(TCompletionOptions, TCompletionOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TCompletionOptions)

// Everything that decides what one completion popup offers and how it reacts to keys.
struct CompletionProposalConfig
{
    QStringList ItemList;   // the words shown, in list order (never sorted)
    QStringList InsertList; // inserted in place of ItemList[i] when scoUseInsertList is set
    TCompletionOptions Options;
    QString EndOfTokenChr = QStringLiteral("()[]. "); // characters that end a word
    QString TriggerChars = QStringLiteral(".");       // typed while open: reopen after typing
};

// The first popup (Ctrl+Space): the built-in names in both lists, options
// scoLimitToMatchedText and scoCompleteWithEnter.
CompletionProposalConfig completionProposal1Config();

// The second popup (Ctrl+J): empty lists, so it never opens; options scoLimitToMatchedText,
// scoUseInsertList, scoUsePrettyText, scoCompleteWithTab and scoCompleteWithEnter.
CompletionProposalConfig completionProposal2Config();

} // namespace bp
