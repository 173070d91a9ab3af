#include "editor_search.h"

#include "common/error.h"

#include <QChar>
#include <algorithm>
#include <vector>

namespace bp {
namespace {

constexpr int kCodeUnits = 0x10000;

// Lower case of every UTF-16 code unit, built once: a lookup is cheaper than
// QChar::toLower in the scan, and per code unit the length never changes.
const char16_t *lowerTable()
{
    static const std::unique_ptr<char16_t[]> table = [] {
        auto lower = std::make_unique<char16_t[]>(kCodeUnits);
        for (int unit = 0; unit < kCodeUnits; ++unit)
            lower[unit] = QChar(char16_t(unit)).toLower().unicode();
        return lower;
    }();
    return table.get();
}

} // namespace

TEditorSearch::TEditorSearch() = default;
TEditorSearch::~TEditorSearch() = default;

bool TEditorSearch::isWordBreak(char16_t ch)
{
    return ch <= 0x2F || (ch >= 0x3A && ch <= 0x40) || (ch >= 0x5B && ch <= 0x5E) || ch == 0x60 ||
           (ch >= 0x7B && ch <= 0x7E) || ch == 0xA7 || ch == 0xB0 || ch == 0x491;
}

void TEditorSearch::SetPattern(const QString &pattern)
{
    if (pattern == CasedPat)
        return;
    CasedPat = pattern;
    derivePattern();
}

void TEditorSearch::SetOptions(TSearchOptions options)
{
    fWhole = options.testFlag(TSearchOption::ssoWholeWord);
    const bool caseSensitive = options.testFlag(TSearchOption::ssoMatchCase);
    if (caseSensitive == fCaseSensitive)
        return;
    fCaseSensitive = caseSensitive;
    derivePattern();
}

void TEditorSearch::derivePattern()
{
    Pat = CasedPat;
    if (!fCaseSensitive) {
        const char16_t *lower = lowerTable();
        for (QChar &ch : Pat)
            ch = QChar(lower[ch.unicode()]);
    }
    PatLen = int(Pat.size());
    fShiftInitialized = false;
}

void TEditorSearch::InitShiftTable()
{
    if (PatLen == 0)
        throw Error(QStringLiteral("Pattern is empty"));
    if (!Shift)
        Shift = std::make_unique<int[]>(kCodeUnits);
    PatLenSucc = PatLen + 1;
    std::fill_n(Shift.get(), kCodeUnits, PatLenSucc);
    const char16_t *pattern = QStringView(Pat).utf16();
    for (int j = 0; j < PatLen; ++j)
        Shift[pattern[j]] = PatLen - j;
    if (!fCaseSensitive) {
        // The text is compared through its lower case, so every code unit shifts as its
        // lower case does.
        const std::vector<int> byLowerCase(Shift.get(), Shift.get() + kCodeUnits);
        const char16_t *lower = lowerTable();
        for (int unit = 0; unit < kCodeUnits; ++unit)
            Shift[unit] = byLowerCase[lower[unit]];
    }
    Look_At = PatLen;
    for (int k = 1; k < PatLen; ++k) {
        if (pattern[PatLen - 1 - k] == pattern[PatLen - 1]) {
            Look_At = k;
            break;
        }
    }
    fShiftInitialized = true;
}

bool TEditorSearch::isWholeWord(const char16_t *Origin, qsizetype fTextLen, qsizetype start,
                                bool foldCase) const
{
    const char16_t *lower = foldCase ? lowerTable() : nullptr;
    auto isBreak = [&](char16_t ch) { return isWordBreak(lower ? lower[ch] : ch); };
    const qsizetype after = start + PatLen;
    return (start == 0 || isBreak(Origin[start - 1])) &&
           (after == fTextLen || isBreak(Origin[after]));
}

template <bool FoldCase> void TEditorSearch::scan(const char16_t *Origin, qsizetype fTextLen)
{
    const char16_t *lower = FoldCase ? lowerTable() : nullptr;
    auto fold = [lower](char16_t ch) {
        if constexpr (FoldCase)
            return lower[ch];
        else
            return ch;
    };
    const char16_t *pattern = QStringView(Pat).utf16();
    const char16_t last = pattern[PatLen - 1];
    const int *shift = Shift.get();
    // Run: index of the text character under the pattern's last character.
    qsizetype Run = PatLen - 1;
    while (Run < fTextLen) {
        if (fold(Origin[Run]) == last) {
            const qsizetype start = Run - (PatLen - 1);
            int j = 0;
            while (j < PatLen - 1 && fold(Origin[start + j]) == pattern[j])
                ++j;
            if (j == PatLen - 1 && (!fWhole || isWholeWord(Origin, fTextLen, start, FoldCase))) {
                fResults.push_back(int(start) + 1);
                Run += PatLen;
                continue;
            }
            if (Run + 1 >= fTextLen)
                break;
            Run += std::max(Look_At, shift[Origin[Run + 1]]);
            continue;
        }
        if (Run + 1 >= fTextLen)
            break;
        Run += shift[Origin[Run + 1]];
    }
}

int TEditorSearch::FindAll(QStringView line)
{
    fResults.clear();
    if (!fShiftInitialized)
        InitShiftTable();
    const qsizetype fTextLen = line.size();
    if (fTextLen < PatLen)
        return 0;
    const char16_t *Origin = line.utf16();
    if (fCaseSensitive)
        scan<false>(Origin, fTextLen);
    else
        scan<true>(Origin, fTextLen);
    return int(fResults.size());
}

QString TEditorSearch::Replace(const QString &, const QString &replacement) const
{
    return replacement;
}

} // namespace bp
