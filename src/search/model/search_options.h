#pragma once

#include <QFlags>

namespace bp {

// The editor's search options, bit 0 first. The search commands pass only the first five;
// the replacing members exist for the search interface's sake.
enum class TSearchOption
{
    ssoMatchCase = 1 << 0,
    ssoWholeWord = 1 << 1,
    ssoBackwards = 1 << 2,
    ssoEntireScope = 1 << 3,
    ssoSelectedOnly = 1 << 4,
    ssoReplace = 1 << 5,
    ssoReplaceAll = 1 << 6,
    ssoPrompt = 1 << 7,
};
Q_DECLARE_FLAGS(TSearchOptions, TSearchOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TSearchOptions)

} // namespace bp
