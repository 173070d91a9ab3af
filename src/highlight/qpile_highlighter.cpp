#include "highlight/qpile_highlighter.h"

#include "common/find_first_of.h"

namespace bp {

namespace {

const QString &qpileFilter()
{
    static const QString filter = QStringLiteral("All files (*.qpl)|*.qpl");
    return filter;
}

enum class Procedure : quint8
{
    Null,
    LineFeed,
    CarriageReturn,
    Space,
    StringOpen,
    CommentOpen,
    Identifier,
    Unknown,
};

// The dispatch of Next for code units below U+0080; every other code unit is Unknown.
constexpr std::array<Procedure, 128> dispatchTable = [] {
    std::array<Procedure, 128> table{};
    for (int c = 0; c < 128; ++c) {
        Procedure procedure = Procedure::Unknown;
        if (c == 0)
            procedure = Procedure::Null;
        else if (c == 0x0A)
            procedure = Procedure::LineFeed;
        else if (c == 0x0D)
            procedure = Procedure::CarriageReturn;
        else if (c <= 0x20)
            procedure = Procedure::Space;
        else if (c == u'"')
            procedure = Procedure::StringOpen;
        else if (c == u'\'')
            procedure = Procedure::CommentOpen;
        else if ((c >= u'A' && c <= u'Z') || c == u'_' || (c >= u'a' && c <= u'z'))
            procedure = Procedure::Identifier;
        table[std::size_t(c)] = procedure;
    }
    return table;
}();

std::unique_ptr<THighlighterAttributes> newAttribute(const char16_t *name)
{
    const QString text = QString::fromUtf16(name);
    return std::make_unique<THighlighterAttributes>(text, text);
}

} // namespace

TQPILEHighlighter::TQPILEHighlighter()
{
    fCaseSensitive = false;

    auto comment = newAttribute(u"Comment");
    comment->SetStyle(TFontStyle::fsItalic);
    comment->SetForeground(clNavy);
    fCommentAttri = RegisterAttribute(std::move(comment));

    auto controls = newAttribute(u"Controls");
    controls->SetForeground(clControlsViolet);
    fControlsAttri = RegisterAttribute(std::move(controls));

    fIdentifierAttri = RegisterAttribute(newAttribute(u"Identifier"));

    auto key = newAttribute(u"Key");
    key->SetForeground(clGreen);
    fKeyAttri = RegisterAttribute(std::move(key));

    auto main = newAttribute(u"Main");
    main->SetStyle(TFontStyle::fsBold);
    main->SetForeground(clBlue);
    fMainAttri = RegisterAttribute(std::move(main));

    auto reserved = newAttribute(u"Reserved");
    reserved->SetStyle(TFontStyle::fsBold);
    fReservedAttri = RegisterAttribute(std::move(reserved));

    fSpaceAttri = RegisterAttribute(newAttribute(u"Space"));

    auto string = newAttribute(u"String");
    string->SetForeground(clRed);
    fStringAttri = RegisterAttribute(std::move(string));

    BindAttributeChanges([this](THighlighterAttributes *sender) {
        HighlighterChanged(TChangeSender::fromAttribute(sender));
    });
    InitIdent();
    fDefaultFilter = qpileFilter();
    fRange = TRangeState::rsUnknown;
}

QString TQPILEHighlighter::GetLanguageName() const
{
    return QStringLiteral("QPILE");
}

QString TQPILEHighlighter::GetFriendlyLanguageName() const
{
    return QStringLiteral("QPILE");
}

bool TQPILEHighlighter::IsFilterStored() const
{
    return fDefaultFilter != qpileFilter();
}

QString TQPILEHighlighter::SampleSource() const
{
    return QStringLiteral("PROGRAM\r\n"
                          "' a sample\r\n"
                          "IF GET_VALUE(row, \"PRICE\") > 10\r\n"
                          "\tresult = \"high\"\r\n"
                          "END IF\r\n"
                          "END_PROGRAM");
}

QString TQPILEHighlighter::GetKeyWords(TTokenKind) const
{
    return qpile::keyWordsText();
}

THighlighterAttributes *TQPILEHighlighter::GetDefaultAttribute(int index) const
{
    switch (index) {
    case CommentRole:
        return fCommentAttri;
    case IdentifierRole:
        return fIdentifierAttri;
    case KeywordRole:
        return fKeyAttri;
    case StringRole:
        return fStringAttri;
    case WhitespaceRole:
        return fSpaceAttri;
    default:
        return nullptr;
    }
}

THighlighterAttributes *TQPILEHighlighter::GetTokenAttribute() const
{
    switch (fTokenID) {
    case TtkTokenKind::tkComment:
        return fCommentAttri;
    case TtkTokenKind::tkControls:
        return fControlsAttri;
    case TtkTokenKind::tkIdentifier:
        return fIdentifierAttri;
    case TtkTokenKind::tkKey:
        return fKeyAttri;
    case TtkTokenKind::tkMain:
        return fMainAttri;
    case TtkTokenKind::tkNull:
        return nullptr;
    case TtkTokenKind::tkReserved:
        return fReservedAttri;
    case TtkTokenKind::tkSpace:
        return fSpaceAttri;
    case TtkTokenKind::tkString:
        return fStringAttri;
    case TtkTokenKind::tkUnknown:
        return fIdentifierAttri;
    }
    return nullptr;
}

void TQPILEHighlighter::SetRange(TRange value)
{
    fRange = TRangeState(quint8(value & 0xFF));
}

void TQPILEHighlighter::InitIdent()
{
    for (int bucket = 0; bucket < qpile::BucketCount; ++bucket) {
        if (qpile::BucketKeywordIndexes[std::size_t(bucket)] == -1)
            m_bucketTests[std::size_t(bucket)] = &TQPILEHighlighter::noKeywordTest;
    }
    for (int bucket = 0; bucket < qpile::BucketCount; ++bucket) {
        if (qpile::BucketKeywordIndexes[std::size_t(bucket)] != -1)
            m_bucketTests[std::size_t(bucket)] = &TQPILEHighlighter::keywordTest;
    }
}

int TQPILEHighlighter::KeyHash(int pos)
{
    const char16_t *p = fLine + pos;
    std::uint32_t h = 0;
    while (qpile::isIdentCodeUnit(*p)) {
        h = h * 539u + std::uint32_t(*p) * 490u;
        ++p;
    }
    fStringLen = int(p - fToIdent);
    return int(h % std::uint32_t(qpile::BucketCount));
}

TtkTokenKind TQPILEHighlighter::IdentifierKind(int pos)
{
    fToIdent = fLine + pos;
    const int key = KeyHash(pos);
    if (key <= qpile::BucketCount - 1)
        return (this->*m_bucketTests[std::size_t(key)])(
            qpile::BucketKeywordIndexes[std::size_t(key)]);
    return TtkTokenKind::tkIdentifier;
}

TtkTokenKind TQPILEHighlighter::noKeywordTest(int)
{
    return TtkTokenKind::tkIdentifier;
}

TtkTokenKind TQPILEHighlighter::keywordTest(int keywordIndex)
{
    for (int index = keywordIndex; index >= 0;
         index = qpile::NextKeywordInBucket[std::size_t(index)]) {
        const qpile::Keyword &keyword = qpile::Keywords[std::size_t(index)];
        if (MatchesToken(QStringView(keyword.text.data(), qsizetype(keyword.text.size()))))
            return keyword.kind;
    }
    return TtkTokenKind::tkIdentifier;
}

void TQPILEHighlighter::Next()
{
    fTokenPos = Run;
    if (fRange == TRangeState::rsComment) {
        ScanComment();
    } else if (Run > fLineLen) {
        // Past the terminator: only a client that ignores GetEol gets here.
        fTokenID = TtkTokenKind::tkNull;
    } else {
        const char16_t c = fLine[Run];
        switch (c < 128 ? dispatchTable[c] : Procedure::Unknown) {
        case Procedure::Null:
            ScanNull();
            break;
        case Procedure::LineFeed:
            ScanLineFeed();
            break;
        case Procedure::CarriageReturn:
            ScanCarriageReturn();
            break;
        case Procedure::Space:
            ScanSpace();
            break;
        case Procedure::StringOpen:
            ScanStringOpen();
            break;
        case Procedure::CommentOpen:
            ScanCommentOpen();
            break;
        case Procedure::Identifier:
            ScanIdentifier();
            break;
        case Procedure::Unknown:
            ScanUnknown();
            break;
        }
    }
    NextBase();
}

namespace {

// Index of the first quote, apostrophe, CR or LF at or after `from`; `size` when none.
qsizetype nextRangeCharacter(const char16_t *data, qsizetype from, qsizetype size)
{
    return findFirstOf<u'"', u'\'', u'\r', u'\n'>(data, from, size);
}

// Index of the first CR or LF at or after `from`; `size` when none.
qsizetype nextBreak(const char16_t *data, qsizetype from, qsizetype size)
{
    return findFirstOf<u'\r', u'\n'>(data, from, size);
}

} // namespace

TRange TQPILEHighlighter::ScanEndState(QStringView text, int)
{
    const char16_t *data = reinterpret_cast<const char16_t *>(text.utf16());
    const qsizetype size = text.size();
    TRangeState range = fRange;
    qsizetype i = 0;
    if (range == TRangeState::rsComment) {
        range = TRangeState::rsUnknown;
        i = nextBreak(data, 0, size);
    }
    while ((i = nextRangeCharacter(data, i, size)) < size) {
        switch (data[i]) {
        case u'\'':
            // A comment runs to the line end or the next CR or LF.
            range = TRangeState::rsUnknown;
            i = nextBreak(data, i + 1, size);
            break;
        case u'"': {
            range = TRangeState::rsString;
            qsizetype end = i + 1;
            while (end < size && data[end] != u'"' && data[end] != u'\r' && data[end] != u'\n')
                ++end;
            if (end < size && data[end] == u'"') {
                range = TRangeState::rsUnknown;
                ++end;
            }
            i = end;
            break;
        }
        default: // CR or LF: white space
            ++i;
            break;
        }
    }
    fRange = range;
    return GetRange();
}

int TQPILEHighlighter::ResumePoint(QStringView text, int lineNumber, int from, TRange fromRange,
                                   int column, TRange &range)
{
    const char16_t *data = reinterpret_cast<const char16_t *>(text.utf16());
    const qsizetype size = text.size();
    from = std::clamp<int>(from, 0, int(size));
    column = std::clamp<int>(column, from, int(size));
    const TRangeState fromState = TRangeState(quint8(fromRange & 0xFF));
    range = fromRange;
    // Breaks inside a line are rare: the tokens decide those cases.
    auto scanned = [&] {
        return TCustomHighlighter::ResumePoint(text, lineNumber, from, fromRange, column, range);
    };
    // A comment runs to the line end or a break, and continues alike from any point in it.
    auto inComment = [&](qsizetype start) {
        if (nextBreak(data, start, column) < column)
            return scanned();
        range = TRange(TRangeState::rsComment);
        return column;
    };
    if (fromState == TRangeState::rsComment)
        return inComment(from);
    // Walk the strings and comments before the column; [plainStart, column] holds none.
    qsizetype plainStart = from;
    for (qsizetype i = from;;) {
        const qsizetype quote = nextRangeCharacter(data, i, size);
        if (quote >= size || quote > column)
            break;
        if (data[quote] == u'\r' || data[quote] == u'\n')
            return scanned();
        if (data[quote] == u'\'' && quote < column)
            return inComment(quote + 1);
        if (quote == column)
            return int(quote);
        qsizetype end = nextRangeCharacter(data, quote + 1, size);
        while (end < size && data[end] == u'\'')
            end = nextRangeCharacter(data, end + 1, size);
        if (end < size && data[end] != u'"')
            return scanned();
        // An unclosed string, or a closed one the column falls in, starts the token.
        if (end >= size || end >= column)
            return int(quote);
        i = plainStart = end + 1;
        range = TRange(TRangeState::rsUnknown);
    }
    // Step back to a certain token start: after a one-character token (ASCII only: other
    // characters may become letters when lower-cased), or where white space ends.
    auto startsToken = [&](qsizetype at) {
        const char16_t before = data[at - 1];
        if (before < 0x80 && before > 0x20 && !qpile::isIdentCodeUnit(before))
            return true;
        return (before == u' ' || before == u'\t') && at < size && data[at] > 0x20;
    };
    qsizetype start = column;
    while (start > plainStart && !startsToken(start))
        --start;
    return int(start);
}

// Leaves exactly the state that calling Next until GetEol leaves (Run, fTokenPos, fTokenID,
// fRange, fToIdent and fStringLen of the last identifier, fExpandedTokenPos), but walks the
// line with the token procedures' rules in local variables: the kinds of the tokens in
// between are not observable, so identifiers are measured without the keyword lookup. With a
// display form the tokens are stepped one by one, as the display form moves per token.
void TQPILEHighlighter::NextToEol()
{
    if (fExpandedLine != nullptr) {
        while (!GetEol())
            Next();
        return;
    }
    if (GetEol())
        return;
    const char16_t *const line = fLine;
    const int length = fLineLen;
    const auto atLineEnd = [line, length](int pos) {
        return pos >= length || line[pos] == u'\n' || line[pos] == u'\r';
    };
    int run = Run;
    TRangeState range = fRange;
    const char16_t *identifier = nullptr;
    if (range == TRangeState::rsComment) {
        range = TRangeState::rsUnknown;
        while (!atLineEnd(run))
            ++run;
    }
    for (;;) {
        const char16_t c = line[run];
        if (c >= 128) {
            ++run;
            continue;
        }
        switch (dispatchTable[c]) {
        case Procedure::Null:
            ++run;
            if (run == length + 1) {
                if (identifier != nullptr) {
                    fToIdent = identifier;
                    fStringLen = 0;
                    while (qpile::isIdentCodeUnit(identifier[fStringLen]))
                        ++fStringLen;
                }
                fRange = range;
                fTokenPos = length;
                Run = run;
                fTokenID = TtkTokenKind::tkNull;
                NextBase();
                return;
            }
            break;
        case Procedure::LineFeed:
            ++run;
            break;
        case Procedure::CarriageReturn:
            ++run;
            if (line[run] == u'\n')
                ++run;
            break;
        case Procedure::Space:
            ++run;
            while (line[run] <= 0x20 && !atLineEnd(run))
                ++run;
            break;
        case Procedure::StringOpen:
            ++run;
            range = TRangeState::rsString;
            do {
                if (line[run] == u'"') {
                    ++run;
                    range = TRangeState::rsUnknown;
                    break;
                }
                if (!atLineEnd(run))
                    ++run;
            } while (!atLineEnd(run));
            break;
        case Procedure::CommentOpen:
            ++run;
            range = TRangeState::rsUnknown;
            while (!atLineEnd(run))
                ++run;
            break;
        case Procedure::Identifier:
            identifier = line + run;
            ++run;
            while (qpile::isIdentCodeUnit(line[run]))
                ++run;
            break;
        case Procedure::Unknown:
            ++run;
            break;
        }
    }
}

void TQPILEHighlighter::ScanNull()
{
    fTokenID = TtkTokenKind::tkNull;
    ++Run;
}

void TQPILEHighlighter::ScanLineFeed()
{
    fTokenID = TtkTokenKind::tkSpace;
    ++Run;
}

void TQPILEHighlighter::ScanCarriageReturn()
{
    fTokenID = TtkTokenKind::tkSpace;
    ++Run;
    if (fLine[Run] == u'\n')
        ++Run;
}

void TQPILEHighlighter::ScanSpace()
{
    ++Run;
    fTokenID = TtkTokenKind::tkSpace;
    while (fLine[Run] <= 0x20 && !AtLineEnd(Run))
        ++Run;
}

void TQPILEHighlighter::ScanStringOpen()
{
    ++Run;
    fRange = TRangeState::rsString;
    ScanString();
    fTokenID = TtkTokenKind::tkString;
}

void TQPILEHighlighter::ScanString()
{
    fTokenID = TtkTokenKind::tkString;
    do {
        if (fLine[Run] == u'"') {
            ++Run;
            fRange = TRangeState::rsUnknown;
            break;
        }
        if (!AtLineEnd(Run))
            ++Run;
    } while (!AtLineEnd(Run));
}

void TQPILEHighlighter::ScanCommentOpen()
{
    ++Run;
    fRange = TRangeState::rsComment;
    ScanComment();
    fTokenID = TtkTokenKind::tkComment;
}

void TQPILEHighlighter::ScanComment()
{
    fTokenID = TtkTokenKind::tkComment;
    do {
        fRange = TRangeState::rsUnknown;
        if (!AtLineEnd(Run))
            ++Run;
    } while (!AtLineEnd(Run));
}

void TQPILEHighlighter::ScanIdentifier()
{
    fTokenID = IdentifierKind(Run);
    Run += fStringLen;
    while (qpile::isIdentCodeUnit(fLine[Run]))
        ++Run;
}

void TQPILEHighlighter::ScanUnknown()
{
    ++Run;
    fTokenID = TtkTokenKind::tkUnknown;
}

} // namespace bp
