#include "completion_proposal_state.h"

#include <algorithm>

namespace bp {

CompletionProposalState::CompletionProposalState(CompletionProposalConfig config)
    : m_config(std::move(config))
{}

bool CompletionProposalState::open(QStringView lineText, int caretColumn)
{
    if (m_config.ItemList.isEmpty())
        return false;
    const CompletionInput input = completionInputAt(lineText, caretColumn, m_config.EndOfTokenChr);
    m_currentString = input.currentString;
    m_completionStart = input.startColumn;
    m_open = true;
    refilter();
    return true;
}

void CompletionProposalState::close()
{
    m_open = false;
    m_currentString.clear();
    m_filtered.clear();
    m_position = -1;
}

void CompletionProposalState::setPosition(int position)
{
    m_position = m_filtered.isEmpty() ? -1 : std::clamp(position, 0, int(m_filtered.size()) - 1);
}

void CompletionProposalState::refilter()
{
    if (m_config.Options.testFlag(TCompletionOption::scoLimitToMatchedText)) {
        m_filtered = matchingCompletionEntries(m_config, m_currentString);
        setPosition(0);
        return;
    }
    // Without the limit every entry stays listed and the first match is highlighted.
    m_filtered.clear();
    for (qsizetype i = 0; i < m_config.ItemList.size(); ++i)
        m_filtered.append({m_config.ItemList[i], i});
    const QList<CompletionEntry> matches = matchingCompletionEntries(m_config, m_currentString);
    setPosition(matches.isEmpty() ? 0 : int(matches.first().itemIndex));
}

TypedCharacterOutcome CompletionProposalState::typeCharacter(QChar ch)
{
    if (ch.unicode() < 0x20)
        return {CompletionStep::Close, false, false};
    if (m_config.EndOfTokenChr.contains(ch)) {
        const CompletionStep step = ch == u' ' ? CompletionStep::Confirm : CompletionStep::Close;
        return {step, true, isTriggerCharacter(ch)};
    }
    m_currentString += ch;
    refilter();
    return {CompletionStep::StayOpen, true, false};
}

CompletionStep CompletionProposalState::stepBack()
{
    if (m_currentString.isEmpty())
        return CompletionStep::Close;
    m_currentString.chop(1);
    refilter();
    return CompletionStep::StayOpen;
}

CompletionStep CompletionProposalState::stepRight(QStringView lineText, int caretColumn)
{
    const qsizetype index = caretColumn - 1;
    const QChar underCaret = index >= 0 && index < lineText.size() ? lineText[index] : QChar(u' ');
    if (m_config.EndOfTokenChr.contains(underCaret))
        return CompletionStep::Close;
    m_currentString += underCaret;
    refilter();
    return CompletionStep::StayOpen;
}

CompletionStep CompletionProposalState::enterKey() const
{
    return m_config.Options.testFlag(TCompletionOption::scoCompleteWithEnter)
               ? CompletionStep::Confirm
               : CompletionStep::Close;
}

CompletionStep CompletionProposalState::tabKey() const
{
    return m_config.Options.testFlag(TCompletionOption::scoCompleteWithTab)
               ? CompletionStep::Confirm
               : CompletionStep::Close;
}

std::optional<QString> CompletionProposalState::textToInsert() const
{
    if (m_position < 0 || m_position >= m_filtered.size())
        return std::nullopt;
    const CompletionEntry &entry = m_filtered[m_position];
    if (!m_config.Options.testFlag(TCompletionOption::scoUseInsertList))
        return entry.text;
    if (entry.itemIndex >= m_config.InsertList.size())
        return std::nullopt;
    return m_config.InsertList[entry.itemIndex];
}

std::optional<CompletionReplacement> CompletionProposalState::confirm(QStringView lineText,
                                                                      int caretColumn)
{
    const std::optional<QString> text = textToInsert();
    const int start = m_completionStart;
    close();
    if (!text)
        return std::nullopt;
    return completionReplacement(lineText, start, caretColumn, *text);
}

} // namespace bp
