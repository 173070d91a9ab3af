#include "completion_proposal_config.h"

#include "completion_words.h"

namespace bp {

CompletionProposalConfig completionProposal1Config()
{
    CompletionProposalConfig config;
    config.ItemList = builtInCompletionNames();
    config.InsertList = config.ItemList;
    config.Options = {TCompletionOption::scoLimitToMatchedText,
                      TCompletionOption::scoCompleteWithEnter};
    return config;
}

CompletionProposalConfig completionProposal2Config()
{
    CompletionProposalConfig config;
    config.Options = {TCompletionOption::scoLimitToMatchedText, TCompletionOption::scoUseInsertList,
                      TCompletionOption::scoUsePrettyText, TCompletionOption::scoCompleteWithTab,
                      TCompletionOption::scoCompleteWithEnter};
    return config;
}

} // namespace bp
