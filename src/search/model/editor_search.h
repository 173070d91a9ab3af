#pragma once

#include "editor_search_custom.h"

#include <QString>
#include <memory>
#include <vector>

namespace bp {

// Finds every occurrence of one pattern in a line: a quick-search scan over a skip table
// with an entry for every UTF-16 code unit, so no character ever needs a slower path.
//
// Occurrences are reported left to right and never overlap; with the whole-word filter a
// rejected match consumes nothing, so an occurrence that starts inside it is still found.
// Without case sensitivity both pattern and text are compared through QChar::toLower of
// each code unit; the line itself is never copied or lower-cased.
//
// The pattern, the case setting and the skip table persist between lines and searches;
// the table is rebuilt only after the pattern or the case setting changed.
class TEditorSearch : public TEditorSearchCustom
{
public:
    TEditorSearch();
    ~TEditorSearch() override;

    QString Pattern() const override { return CasedPat; }
    void SetPattern(const QString &pattern) override;
    // Takes ssoMatchCase and ssoWholeWord; every other option is the caller's.
    void SetOptions(TSearchOptions options) override;
    // Throws bp::Error "Pattern is empty" when there is nothing to look for.
    int FindAll(QStringView line) override;
    int Results(int index) const override { return fResults.at(index); }
    int Lengths(int) const override { return PatLen; }
    int ResultCount() const override { return int(fResults.size()); }
    QString Replace(const QString &found, const QString &replacement) const override;

    // Characters around a match that make it a whole word (the line's ends count too).
    static bool isWordBreak(char16_t ch);

private:
    void derivePattern();
    void InitShiftTable();
    template <bool FoldCase> void scan(const char16_t *Origin, qsizetype fTextLen);
    bool isWholeWord(const char16_t *Origin, qsizetype fTextLen, qsizetype start,
                     bool foldCase) const;

    QString CasedPat;
    // The pattern as compared: CasedPat, lower-cased unless the search is case-sensitive.
    QString Pat;
    int PatLen = 0;
    bool fCaseSensitive = false;
    bool fWhole = false;
    bool fShiftInitialized = false;
    // Window shift by the code unit just past the window; lower-case variants share the
    // entry of their lower case when case is ignored.
    std::unique_ptr<int[]> Shift;
    int PatLenSucc = 1;
    // Least shift that brings another copy of the last pattern character under the
    // window's end, used when only the last character matched.
    int Look_At = 1;
    std::vector<int> fResults;
};

} // namespace bp
