#include "highlight/qpile_highlighter.h"

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
    case SYN_ATTR_COMMENT:
        return fCommentAttri;
    case SYN_ATTR_IDENTIFIER:
        return fIdentifierAttri;
    case SYN_ATTR_KEYWORD:
        return fKeyAttri;
    case SYN_ATTR_STRING:
        return fStringAttri;
    case SYN_ATTR_WHITESPACE:
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
            fIdentFuncTable[std::size_t(bucket)] = &TQPILEHighlighter::AltFunc;
    }
    for (int bucket = 0; bucket < qpile::BucketCount; ++bucket) {
        if (qpile::BucketKeywordIndexes[std::size_t(bucket)] != -1)
            fIdentFuncTable[std::size_t(bucket)] = &TQPILEHighlighter::KeyWordFunc;
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
        return (this->*fIdentFuncTable[std::size_t(key)])(
            qpile::BucketKeywordIndexes[std::size_t(key)]);
    return TtkTokenKind::tkIdentifier;
}

TtkTokenKind TQPILEHighlighter::AltFunc(int)
{
    return TtkTokenKind::tkIdentifier;
}

TtkTokenKind TQPILEHighlighter::KeyWordFunc(int keywordIndex)
{
    const qpile::Keyword &keyword = qpile::Keywords[std::size_t(keywordIndex)];
    if (MatchesToken(QStringView(keyword.text.data(), qsizetype(keyword.text.size()))))
        return keyword.kind;
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

void TQPILEHighlighter::NextToEol()
{
    while (!GetEol())
        Next();
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
