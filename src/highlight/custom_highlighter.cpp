#include "highlight/custom_highlighter.h"

#include "common/error.h"
#include "platform/settings_store.h"

#include <QSettings>
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace bp {

namespace {

// QChar::toLower for the code units below U+0500 (ASCII, Latin, Greek, Cyrillic), taken from
// Qt once so that the result is the same; the rest goes to QChar::toLower directly.
constexpr char16_t LowerTableSize = 0x500;

const std::array<char16_t, LowerTableSize> lowerTable = [] {
    std::array<char16_t, LowerTableSize> table{};
    for (char16_t c = 0; c < LowerTableSize; ++c)
        table[c] = QChar(c).toLower().unicode();
    return table;
}();

inline char16_t lowerCodeUnit(char16_t c)
{
    return c < LowerTableSize ? lowerTable[c] : QChar(c).toLower().unicode();
}

// Lower-cases length code units from source into target. Four code units at a time as 16-bit
// lanes of a 64-bit word: a block of ASCII only gets 0x20 added to its A-Z lanes (lanes stay
// below 0x100, so nothing carries into the next lane, whatever the byte order); any other
// block goes through lowerCodeUnit.
void lowerInto(char16_t *target, const char16_t *source, int length)
{
    constexpr quint64 nonAscii = 0xFF80FF80FF80FF80ULL;
    constexpr quint64 lane = 0x0001000100010001ULL;
    int i = 0;
    for (; i + 4 <= length; i += 4) {
        quint64 block;
        std::memcpy(&block, source + i, sizeof block);
        if ((block & nonAscii) == 0) {
            const quint64 fromA = block + lane * (0x80 - u'A');       // bit 7: c >= 'A'
            const quint64 beyondZ = block + lane * (0x80 - u'Z' - 1); // bit 7: c > 'Z'
            const quint64 upper = fromA & ~beyondZ & (lane * 0x80);
            block |= upper >> 2;
            std::memcpy(target + i, &block, sizeof block);
        } else {
            for (int j = i; j < i + 4; ++j)
                target[j] = lowerCodeUnit(source[j]);
        }
    }
    for (; i < length; ++i)
        target[i] = lowerCodeUnit(source[i]);
}

} // namespace

TCharSet8::TCharSet8(std::initializer_list<char16_t> characters)
{
    for (char16_t c : characters)
        insert(c);
}

void TCharSet8::insert(char16_t c)
{
    Q_ASSERT(c < 256);
    if (c < 256)
        m_bits.set(c);
}

void TCharSet8::remove(char16_t c)
{
    if (c < 256)
        m_bits.reset(c);
}

TCustomHighlighter::TCustomHighlighter()
{
    // An empty line until the first SetLine, so that reads before it stay inside a buffer.
    fLine = CopyInto(m_lineBuffer, QStringView());
    fCasedLine = fLine;
}

TCustomHighlighter::~TCustomHighlighter()
{
    // A handler may remove itself or others while the list is walked.
    std::vector<THookId> ids;
    ids.reserve(m_destroyHandlers.size());
    for (const DestroyEntry &entry : m_destroyHandlers)
        ids.push_back(entry.id);
    for (THookId id : ids) {
        const auto it = std::find_if(m_destroyHandlers.begin(), m_destroyHandlers.end(),
                                     [id](const DestroyEntry &entry) { return entry.id == id; });
        if (it == m_destroyHandlers.end())
            continue;
        const TDestroyEvent handler = it->handler;
        handler(this);
    }
    while (!fAttributes.empty())
        fAttributes.pop_back();
}

int TCustomHighlighter::AttrCount() const
{
    return int(fAttributes.size());
}

THighlighterAttributes *TCustomHighlighter::GetAttribute(int index) const
{
    if (index < 0 || index >= int(fAttributes.size()))
        return nullptr;
    return fAttributes[std::size_t(index)].get();
}

QString TCustomHighlighter::GetFriendlyLanguageName() const
{
    return QStringLiteral("<Unknown>");
}

QString TCustomHighlighter::GetLanguageName() const
{
    return QStringLiteral("<Unknown>");
}

QString TCustomHighlighter::GetKeyWords(TTokenKind) const
{
    return QString();
}

bool TCustomHighlighter::IsKeyword(const QString &) const
{
    return false;
}

bool TCustomHighlighter::UseUserSettings(int)
{
    return false;
}

void TCustomHighlighter::EnumUserSettings(QStringList &settings)
{
    settings.clear();
}

void TCustomHighlighter::SetEnabled(bool value)
{
    if (fEnabled == value)
        return;
    fEnabled = value;
    HighlighterChanged(TChangeSender::none());
}

char16_t *TCustomHighlighter::Reserve(std::vector<char16_t> &buffer, std::size_t length)
{
    // The size only grows, so that a shorter line neither frees nor zero-fills anything.
    if (buffer.size() < length + 1)
        buffer.resize(std::max(length + 1, buffer.size() * 2));
    return buffer.data();
}

const char16_t *TCustomHighlighter::CopyInto(std::vector<char16_t> &buffer, QStringView text)
{
    const std::size_t length = std::size_t(text.size());
    char16_t *target = Reserve(buffer, length);
    if (length > 0)
        std::memcpy(target, text.utf16(), length * sizeof(char16_t));
    target[length] = u'\0';
    return target;
}

void TCustomHighlighter::PrepareLine(QStringView text, int lineNumber)
{
    Q_ASSERT(text.size() < std::numeric_limits<int>::max());
    const int length = int(text.size());
    if (fCaseSensitive) {
        fLine = CopyInto(m_lineBuffer, text);
        fCasedLine = fLine;
    } else {
        // One code unit in, one out: the length and every position stay those of the text.
        char16_t *lower = Reserve(m_lineBuffer, std::size_t(length));
        char16_t *cased = Reserve(m_casedLineBuffer, std::size_t(length));
        const char16_t *source = text.utf16();
        if (length > 0)
            std::memcpy(cased, source, std::size_t(length) * sizeof(char16_t));
        lowerInto(lower, source, length);
        lower[length] = u'\0';
        cased[length] = u'\0';
        fLine = lower;
        fCasedLine = cased;
    }
    fLineLen = length;
    Run = 0;
    ExpandedRun = 0;
    fOldRun = 0;
    // Reset with the run positions: an empty first token (a comment entered at the line end)
    // would otherwise report the previous line's position.
    fExpandedTokenPos = 0;
    fLineNumber = lineNumber;
}

void TCustomHighlighter::SetLine(QStringView value, int lineNumber)
{
    fExpandedLine = nullptr;
    fExpandedLineLen = 0;
    PrepareLine(value, lineNumber);
    Next();
}

void TCustomHighlighter::SetLineExpandedAtWideGlyphs(QStringView line, QStringView expandedLine,
                                                     int lineNumber)
{
    fExpandedLine = CopyInto(m_expandedLineBuffer, expandedLine);
    fExpandedLineLen = int(expandedLine.size());
    PrepareLine(line, lineNumber);
    Next();
}

int TCustomHighlighter::ResumePoint(QStringView line, int lineNumber, int from, TRange fromRange,
                                    int column, TRange &range)
{
    from = std::clamp<int>(from, 0, int(line.size()));
    SetRange(fromRange);
    SetLine(line.sliced(from), lineNumber);
    // The state before a token is the state after the one before it.
    int start = from;
    range = fromRange;
    TRange before = fromRange;
    while (!GetEol()) {
        const int position = from + GetTokenPos();
        if (position > column)
            break;
        start = position;
        range = before;
        before = GetRange();
        Next();
    }
    return start;
}

void TCustomHighlighter::Next()
{
    NextBase();
}

void TCustomHighlighter::StepExpandedRun()
{
    // Bounded by the display form's terminator, so a display form shorter than the line
    // cannot lead outside the buffer.
    for (int delta = Run - fOldRun; delta > 0; --delta) {
        while (ExpandedRun < fExpandedLineLen && fExpandedLine[ExpandedRun] == FillerChar)
            ++ExpandedRun;
        if (ExpandedRun <= fExpandedLineLen)
            ++ExpandedRun;
    }
    fOldRun = Run;
}

TRange TCustomHighlighter::ScanEndState(QStringView line, int lineNumber)
{
    SetLine(line, lineNumber);
    NextToEol();
    return GetRange();
}

void TCustomHighlighter::NextToEol()
{
    while (!GetEol())
        Next();
}

QString TCustomHighlighter::GetToken() const
{
    return GetTokenView().toString();
}

QStringView TCustomHighlighter::GetTokenView() const
{
    const int length = Run - fTokenPos;
    if (length <= 0 || fTokenPos < 0)
        return QStringView();
    // The terminator token reaches one past the line; the buffer holds that U+0000.
    const int available = fLineLen + 1 - fTokenPos;
    return QStringView(fCasedLine + fTokenPos, qMin(length, qMax(available, 0)));
}

QString TCustomHighlighter::GetExpandedToken() const
{
    return GetExpandedTokenView().toString();
}

QStringView TCustomHighlighter::GetExpandedTokenView() const
{
    if (fExpandedLine == nullptr)
        return GetTokenView();
    const int start = qBound(0, fExpandedTokenPos, fExpandedLineLen + 1);
    const int end = qBound(start, ExpandedRun, fExpandedLineLen + 1);
    return QStringView(fExpandedLine + start, end - start);
}

int TCustomHighlighter::GetExpandedTokenPos() const
{
    return fExpandedLine == nullptr ? fTokenPos : fExpandedTokenPos;
}

TRange TCustomHighlighter::GetRange() const
{
    return 0;
}

void TCustomHighlighter::SetRange(TRange) {}

void TCustomHighlighter::ResetRange() {}

int TCustomHighlighter::PosToExpandedPos(int pos) const
{
    if (fExpandedLine == nullptr)
        return pos;
    int result = 0;
    for (int i = 0; i < pos; ++i) {
        while (result < fExpandedLineLen && fExpandedLine[result] == FillerChar)
            ++result;
        ++result;
    }
    return result;
}

bool TCustomHighlighter::IsIdentChar(QChar c) const
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || u == u'_' ||
           (u >= u'a' && u <= u'z');
}

bool TCustomHighlighter::IsWhiteChar(QChar c) const
{
    if (c.unicode() <= 0x20)
        return true;
    return !IsIdentChar(c) && !IsWordBreakChar(c);
}

bool TCustomHighlighter::IsWordBreakChar(QChar c) const
{
    const char16_t u = c.unicode();
    return u <= 0x2F || (u >= 0x3A && u <= 0x40) || (u >= 0x5B && u <= 0x5E) || u == 0x60 ||
           (u >= 0x7B && u <= 0x7E) || u == 0xA7 || u == 0xB0 || u == 0x491;
}

bool TCustomHighlighter::IsEditorWordBreakChar(QChar c) const
{
    return (IsWordBreakChar(c) || FAdditionalWordBreakChars.contains(c)) &&
           !FAdditionalIdentChars.contains(c);
}

bool TCustomHighlighter::IsEditorIdentChar(QChar c) const
{
    return (IsIdentChar(c) || FAdditionalIdentChars.contains(c)) && !IsEditorWordBreakChar(c);
}

void TCustomHighlighter::BeginUpdate()
{
    ++fUpdateCount;
}

void TCustomHighlighter::EndUpdate()
{
    if (fUpdateCount == 0)
        return;
    --fUpdateCount;
    if (fUpdateCount == 0 && fUpdateChange) {
        fUpdateChange = false;
        HighlighterChanged(TChangeSender::none());
    }
}

THookId TCustomHighlighter::HookAttrChangeEvent(TNotifyEvent handler)
{
    const THookId id = ++m_lastHookId;
    fAttrChangeHooks.push_back({id, std::move(handler)});
    return id;
}

void TCustomHighlighter::UnhookAttrChangeEvent(THookId id)
{
    std::erase_if(fAttrChangeHooks, [id](const HookEntry &entry) { return entry.id == id; });
}

THookId TCustomHighlighter::AddDestroyHandler(TDestroyEvent handler)
{
    const THookId id = ++m_lastHookId;
    m_destroyHandlers.push_back({id, std::move(handler)});
    return id;
}

void TCustomHighlighter::RemoveDestroyHandler(THookId id)
{
    std::erase_if(m_destroyHandlers, [id](const DestroyEntry &entry) { return entry.id == id; });
}

void TCustomHighlighter::Loaded()
{
    m_loading = false;
    HighlighterChanged(TChangeSender::none());
}

void TCustomHighlighter::HighlighterChanged(const TChangeSender &sender)
{
    if (fUpdateCount > 0) {
        fUpdateChange = true;
        return;
    }
    if (m_loading)
        return;
    // Handlers run in the order they were hooked; one may unhook itself or others meanwhile.
    std::vector<THookId> ids;
    ids.reserve(fAttrChangeHooks.size());
    for (const HookEntry &entry : fAttrChangeHooks)
        ids.push_back(entry.id);
    for (THookId id : ids) {
        const auto it = std::find_if(fAttrChangeHooks.begin(), fAttrChangeHooks.end(),
                                     [id](const HookEntry &entry) { return entry.id == id; });
        if (it == fAttrChangeHooks.end())
            continue;
        const TNotifyEvent handler = it->handler;
        handler(sender);
    }
}

THighlighterAttributes *
TCustomHighlighter::RegisterAttribute(std::unique_ptr<THighlighterAttributes> attribute)
{
    Q_ASSERT(attribute);
    const QString &name = attribute->Name();
    const auto position = std::lower_bound(
        fAttributes.begin(), fAttributes.end(), name,
        [](const std::unique_ptr<THighlighterAttributes> &existing, const QString &key) {
            return QString::compare(existing->Name(), key, Qt::CaseInsensitive) < 0;
        });
    if (position != fAttributes.end() &&
        QString::compare((*position)->Name(), name, Qt::CaseInsensitive) == 0)
        throw Error(QStringLiteral("String list does not allow duplicates"));
    THighlighterAttributes *registered = attribute.get();
    fAttributes.insert(position, std::move(attribute));
    return registered;
}

void TCustomHighlighter::BindAttributeChanges(const THighlighterAttributes::TChangeHandler &handler)
{
    for (auto it = fAttributes.rbegin(); it != fAttributes.rend(); ++it) {
        (*it)->SetOnChange(handler);
        (*it)->InternalSaveDefaultValues();
    }
}

void TCustomHighlighter::Assign(const TCustomHighlighter &source)
{
    if (&source == this)
        return;
    for (const auto &attribute : fAttributes) {
        for (const auto &sourceAttribute : source.fAttributes) {
            if (sourceAttribute->Name() == attribute->Name()) {
                attribute->AssignColorAndStyle(*sourceAttribute);
                break;
            }
        }
    }
    fDefaultFilter = source.fDefaultFilter;
    SetEnabled(source.fEnabled);
}

bool TCustomHighlighter::LoadFromFile(const QString &fileName)
{
    QSettings ini(fileName, QSettings::IniFormat);
    bool result = true;
    for (const auto &attribute : fAttributes)
        result = attribute->LoadFromFile(ini) && result;
    return result;
}

bool TCustomHighlighter::SaveToFile(const QString &fileName)
{
    QSettings ini(fileName, QSettings::IniFormat);
    bool result = true;
    for (const auto &attribute : fAttributes)
        result = attribute->SaveToFile(ini) && result;
    ini.sync();
    if (ini.status() != QSettings::NoError)
        throw Error(QStringLiteral("Unable to write to %1").arg(fileName));
    return result;
}

bool TCustomHighlighter::LoadFromRegistry(SettingsStore &root, const QString &key)
{
    if (!root.hasGroup(THighlighterAttributes::settingsGroup(key)))
        return false;
    bool result = true;
    for (const auto &attribute : fAttributes)
        result = attribute->LoadFromRegistry(root, key) && result;
    return result;
}

bool TCustomHighlighter::SaveToRegistry(SettingsStore &root, const QString &key)
{
    if (!root.isWritable())
        return false;
    bool result = true;
    for (const auto &attribute : fAttributes)
        result = attribute->SaveToRegistry(root, key) && result;
    return result;
}

} // namespace bp
