#pragma once

#include "highlight/custom_highlighter.h"
#include "highlight/qpile_keyword_table.h"
#include "highlight/qpile_token_kind.h"

#include <array>

namespace bp {

// The highlighter for QPILE source text. Case-insensitive: it scans the lower-cased copy of
// the line, while GetToken gives the text in the client's letter case. Tokens: a comment
// from an apostrophe to the line end, a double-quoted string (no escapes; unterminated at the
// line end, leaving rsString), an ASCII identifier (classified by the keyword table), a run of
// white space, and every other character on its own.
class TQPILEHighlighter final : public TCustomHighlighter
{
public:
    TQPILEHighlighter();

    QString GetLanguageName() const override;
    QString GetFriendlyLanguageName() const override;
    bool IsFilterStored() const override;
    QString SampleSource() const override;
    // The 110 keywords in list order, upper case, joined by commas, whatever tokenKind is.
    QString GetKeyWords(TTokenKind tokenKind) const override;

    THighlighterAttributes *GetDefaultAttribute(int index) const override;
    THighlighterAttributes *GetTokenAttribute() const override;
    TTokenKind GetTokenKind() const override { return TTokenKind(fTokenID); }
    TtkTokenKind TokenID() const { return fTokenID; }
    bool GetEol() const override { return Run == fLineLen + 1; }
    void Next() override;
    void NextToEol() override;
    // Only quotes, apostrophes, CR and LF change the range, so the end state comes from one
    // pass over the line as given, without lower-casing or tokenising it.
    TRange ScanEndState(QStringView line, int lineNumber) override;
    // Outside strings and comments a token is white space, an identifier or one character, so
    // the quotes before a column give its state and a token starts after any one-character
    // token: found with a pass over the quotes and a short step back.
    int ResumePoint(QStringView line, int lineNumber, int from, TRange fromRange, int column,
                    TRange &range) override;
    TRange GetRange() const override { return TRange(fRange); }
    // Keeps the low byte of value.
    void SetRange(TRange value) override;
    void ResetRange() override { fRange = TRangeState::rsUnknown; }
    bool IsIdentChar(QChar c) const override { return qpile::isIdentCodeUnit(c.unicode()); }

    THighlighterAttributes *CommentAttri() const { return fCommentAttri; }
    THighlighterAttributes *ControlsAttri() const { return fControlsAttri; }
    THighlighterAttributes *IdentifierAttri() const { return fIdentifierAttri; }
    THighlighterAttributes *KeyAttri() const { return fKeyAttri; }
    THighlighterAttributes *MainAttri() const { return fMainAttri; }
    THighlighterAttributes *ReservedAttri() const { return fReservedAttri; }
    THighlighterAttributes *SpaceAttri() const { return fSpaceAttri; }
    THighlighterAttributes *StringAttri() const { return fStringAttri; }

    // The length of the identifier looked up last.
    int StringLen() const { return fStringLen; }

private:
    // The test a hash bucket applies to the identifier at fToIdent: it answers the token kind.
    using KeywordTest = TtkTokenKind (TQPILEHighlighter::*)(int keywordIndex);

    void InitIdent();
    int KeyHash(int pos);
    TtkTokenKind IdentifierKind(int pos);
    // The test of a bucket without keyword: always tkIdentifier.
    TtkTokenKind noKeywordTest(int keywordIndex);
    // The test of a keyword's bucket: the keyword's kind when the identifier is that keyword.
    TtkTokenKind keywordTest(int keywordIndex);

    void ScanNull();
    void ScanLineFeed();
    void ScanCarriageReturn();
    void ScanSpace();
    void ScanStringOpen();
    void ScanString();
    void ScanCommentOpen();
    void ScanComment();
    void ScanIdentifier();
    void ScanUnknown();

    TRangeState fRange = TRangeState::rsUnknown;
    TtkTokenKind fTokenID = TtkTokenKind::tkNull;
    std::array<KeywordTest, qpile::BucketCount> m_bucketTests{};
    THighlighterAttributes *fCommentAttri = nullptr;
    THighlighterAttributes *fControlsAttri = nullptr;
    THighlighterAttributes *fIdentifierAttri = nullptr;
    THighlighterAttributes *fKeyAttri = nullptr;
    THighlighterAttributes *fMainAttri = nullptr;
    THighlighterAttributes *fReservedAttri = nullptr;
    THighlighterAttributes *fSpaceAttri = nullptr;
    THighlighterAttributes *fStringAttri = nullptr;
};

} // namespace bp
