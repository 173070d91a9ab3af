#include "completion_matching.h"

#include <algorithm>

namespace bp {

CompletionInput completionInputAt(QStringView lineText, int caretColumn, QStringView endOfTokenChr)
{
    const int caret = std::max(caretColumn, 1);
    if (caret > lineText.size() + 1)
        return {QString(), caret};
    qsizetype start = caret - 1;
    while (start > 0) {
        const QChar ch = lineText[start - 1];
        if (ch.unicode() <= 0x20 || endOfTokenChr.contains(ch))
            break;
        --start;
    }
    return {lineText.sliced(start, caret - 1 - start).toString(), int(start) + 1};
}

bool completionMatches(QStringView candidate, QStringView currentString, bool caseSensitive)
{
    if (candidate.size() < currentString.size())
        return false;
    if (caseSensitive)
        return candidate.startsWith(currentString);
    // Unit by unit, so that lower-casing never changes the length being compared.
    for (qsizetype i = 0; i < currentString.size(); ++i)
        if (candidate[i].toLower() != currentString[i].toLower())
            return false;
    return true;
}

QList<CompletionEntry> matchingCompletionEntries(const CompletionProposalConfig &config,
                                                 QStringView currentString)
{
    const bool useInsertList = config.Options.testFlag(TCompletionOption::scoUseInsertList);
    const bool caseSensitive = config.Options.testFlag(TCompletionOption::scoCaseSensitive);
    QList<CompletionEntry> entries;
    for (qsizetype i = 0; i < config.ItemList.size(); ++i) {
        const QString compared = useInsertList ? config.InsertList.value(i) : config.ItemList[i];
        if (completionMatches(compared, currentString, caseSensitive))
            entries.append({config.ItemList[i], i});
    }
    return entries;
}

QString completionShownText(const QString &entry)
{
    // left() shares the data of an entry that is short enough.
    return entry.left(kCompletionShownLength);
}

bool isCompletionWordBreak(QChar ch)
{
    const char16_t unit = ch.unicode();
    return unit <= 0x2F || (unit >= 0x3A && unit <= 0x40) || (unit >= 0x5B && unit <= 0x5E) ||
           unit == 0x60 || (unit >= 0x7B && unit <= 0x7E) || unit == 0xA7 || unit == 0xB0 ||
           unit == 0x491;
}

int completionWordEndColumn(QStringView lineText, int caretColumn)
{
    const int caret = std::max(caretColumn, 1);
    qsizetype index = caret - 1;
    while (index < lineText.size() && !isCompletionWordBreak(lineText[index]))
        ++index;
    return std::max(int(index) + 1, caret);
}

CompletionReplacement completionReplacement(QStringView lineText, int completionStart,
                                            int caretColumn, const QString &text)
{
    const int caret = std::max(caretColumn, 1);
    const int start = std::clamp(completionStart, 1, caret);
    const int end = completionWordEndColumn(lineText, caret);
    const QStringView current = lineText.mid(start - 1, end - start);
    return {start, end, text, start + int(text.size()), current != text};
}

} // namespace bp
