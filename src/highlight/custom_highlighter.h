#pragma once

#include "highlight/highlighter_attributes.h"
#include "highlight/highlighter_range.h"

#include <QFlags>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace bp {

class SettingsStore;
class TCustomHighlighter;

// The ordinal of the concrete highlighter's token-kind enumeration; clients pass it on.
using TTokenKind = int;
// Identifies a registered handler, for unhooking it; 0 is never handed out.
using THookId = quint64;

// Who caused a change notification: an attribute, a highlighter, or nobody (EndUpdate,
// Enabled, Loaded). The chain of a highlighter sends an attribute or nobody; an editor calls
// its own handler with the highlighter as sender when it attaches one.
struct TChangeSender
{
    THighlighterAttributes *attribute = nullptr;
    TCustomHighlighter *highlighter = nullptr;

    static TChangeSender none() { return {}; }
    static TChangeSender fromAttribute(THighlighterAttributes *sender) { return {sender, nullptr}; }
    static TChangeSender fromHighlighter(TCustomHighlighter *sender) { return {nullptr, sender}; }
    bool isNone() const { return attribute == nullptr && highlighter == nullptr; }
};
using TNotifyEvent = std::function<void(const TChangeSender &sender)>;
using TDestroyEvent = std::function<void(TCustomHighlighter *destroyed)>;

enum class THighlighterCapability : quint8
{
    hcUserSettings = 1,
    hcRegistry = 2,
};
Q_DECLARE_FLAGS(THighlighterCapabilities, THighlighterCapability)
Q_DECLARE_OPERATORS_FOR_FLAGS(THighlighterCapabilities)

// A set of 8-bit characters; a character above U+00FF is never in it.
class TCharSet8
{
public:
    TCharSet8() = default;
    TCharSet8(std::initializer_list<char16_t> characters);
    bool contains(QChar c) const { return c.unicode() < 256 && m_bits.test(c.unicode()); }
    void insert(char16_t c);
    void remove(char16_t c);
    bool isEmpty() const { return m_bits.none(); }
    bool operator==(const TCharSet8 &other) const { return m_bits == other.m_bits; }

private:
    std::bitset<256> m_bits;
};

// A line scanner that splits one line at a time into tokens with a kind and a display
// attribute, carrying a range from the end of one line to the start of the next.
//
// Scanning protocol (the editor, the printer and the token query all do this):
//   1. ResetRange() for line 0, otherwise SetRange(stored end state of the previous line);
//   2. SetLine(text, index) or SetLineExpandedAtWideGlyphs(text, displayForm, index);
//   3. while (!GetEol()) { read GetTokenPos/GetToken/GetTokenAttribute/GetTokenKind; Next(); }
//   4. GetRange() is the end state of the line.
// The line text is copied into buffers owned by the highlighter whose capacity is reused, so
// scanning allocates nothing once the buffers have grown; only GetToken and GetExpandedToken
// build strings (GetTokenView and GetExpandedTokenView do not).
//
// Not copyable. Destruction first calls the destroy handlers (see AddDestroyHandler).
class TCustomHighlighter
{
public:
    // Role indexes of GetDefaultAttribute; other indexes name no attribute.
    enum AttributeRole : int
    {
        CommentRole = 0,
        IdentifierRole = 1,
        KeywordRole = 2,
        StringRole = 3,
        WhitespaceRole = 4,
        SymbolRole = 5,
    };
    // Placed in the display form before a wide glyph, once per extra character cell.
    static constexpr char16_t FillerChar = u'\uE000';

    TCustomHighlighter();
    TCustomHighlighter(const TCustomHighlighter &) = delete;
    TCustomHighlighter &operator=(const TCustomHighlighter &) = delete;
    virtual ~TCustomHighlighter();

    // --- Attributes -----------------------------------------------------------------------
    virtual int AttrCount() const;
    // The index-th registered attribute in Name order (case-insensitive); null when out of
    // range.
    virtual THighlighterAttributes *GetAttribute(int index) const;
    THighlighterAttributes *Attribute(int index) const { return GetAttribute(index); }
    virtual THighlighterAttributes *GetDefaultAttribute(int index) const = 0;
    THighlighterAttributes *CommentAttribute() const { return GetDefaultAttribute(CommentRole); }
    THighlighterAttributes *IdentifierAttribute() const
    {
        return GetDefaultAttribute(IdentifierRole);
    }
    THighlighterAttributes *KeywordAttribute() const { return GetDefaultAttribute(KeywordRole); }
    THighlighterAttributes *StringAttribute() const { return GetDefaultAttribute(StringRole); }
    THighlighterAttributes *WhitespaceAttribute() const
    {
        return GetDefaultAttribute(WhitespaceRole);
    }
    THighlighterAttributes *SymbolAttribute() const { return GetDefaultAttribute(SymbolRole); }

    // --- Class information ----------------------------------------------------------------
    virtual QString DefaultFilter() const { return fDefaultFilter; }
    virtual void SetDefaultFilter(const QString &value) { fDefaultFilter = value; }
    // Whether DefaultFilter would be streamed.
    virtual bool IsFilterStored() const { return true; }
    virtual QString SampleSource() const { return QString(); }
    virtual void SetSampleSource(const QString &) {}
    virtual THighlighterCapabilities GetCapabilities() const
    {
        return THighlighterCapability::hcRegistry;
    }
    virtual QString GetFriendlyLanguageName() const;
    virtual QString GetLanguageName() const;
    QString LanguageName() const { return GetLanguageName(); }
    QString FriendlyLanguageName() const { return GetFriendlyLanguageName(); }
    virtual QString GetKeyWords(TTokenKind tokenKind) const;
    virtual bool IsKeyword(const QString &keyword) const;
    virtual bool UseUserSettings(int settingIndex);
    virtual void EnumUserSettings(QStringList &settings);

    bool Enabled() const { return fEnabled; }
    // A new value notifies the hooked handlers with no sender.
    void SetEnabled(bool value);

    // --- Scanning -------------------------------------------------------------------------
    // Forgets any display form, prepares the line and scans its first token.
    virtual void SetLine(QStringView value, int lineNumber);
    // Keeps the display form (the line with FillerChar before every wide glyph, once per extra
    // cell), prepares the line and scans its first token.
    virtual void SetLineExpandedAtWideGlyphs(QStringView line, QStringView expandedLine,
                                             int lineNumber);
    virtual bool GetEol() const = 0;
    // Scans the next token. A concrete Next scans from Run, sets fTokenPos and Run, and then
    // runs the base part, which steps the display form along.
    virtual void Next();
    virtual void NextToEol();
    // The end state of `line` scanned from the current range: what SetLine, NextToEol and
    // GetRange give, which is all a rescan needs. A concrete highlighter may compute it
    // without tokenising; the line buffers are then not prepared, and the current range
    // becomes the end state.
    virtual TRange ScanEndState(QStringView line, int lineNumber);
    // A point in `line` at or before `column` (0-based) from which scanning with the state
    // put in `range` gives the characters from there on the attributes and kinds that scanning
    // from `from`, a token start with state `fromRange`, gives them; a token start, or a point
    // inside a token that scanning from there continues alike. Lets a client show the middle
    // of a long line without scanning all of it. The default scans the tokens in between and
    // answers a token start; a concrete highlighter may find a point with less work.
    virtual int ResumePoint(QStringView line, int lineNumber, int from, TRange fromRange,
                            int column, TRange &range);
    virtual QString GetToken() const;
    QStringView GetTokenView() const;
    virtual int GetTokenPos() const { return fTokenPos; }
    virtual QString GetExpandedToken() const;
    QStringView GetExpandedTokenView() const;
    virtual int GetExpandedTokenPos() const;
    virtual THighlighterAttributes *GetTokenAttribute() const = 0;
    virtual TTokenKind GetTokenKind() const = 0;
    virtual TRange GetRange() const;
    virtual void SetRange(TRange value);
    virtual void ResetRange();
    // The text the scanner reads: the line lower-cased code unit by code unit (QChar::toLower)
    // unless the highlighter is case-sensitive.
    QStringView ScannedLine() const { return QStringView(fLine, fLineLen); }
    // The display-form index of the character at line index pos (0-based); pos itself without
    // a display form.
    int PosToExpandedPos(int pos) const;

    // --- Word characters ------------------------------------------------------------------
    virtual bool IsIdentChar(QChar c) const;
    virtual bool IsWhiteChar(QChar c) const;
    virtual bool IsWordBreakChar(QChar c) const;
    const TCharSet8 &AdditionalIdentChars() const { return FAdditionalIdentChars; }
    void SetAdditionalIdentChars(const TCharSet8 &value) { FAdditionalIdentChars = value; }
    const TCharSet8 &AdditionalWordBreakChars() const { return FAdditionalWordBreakChars; }
    void SetAdditionalWordBreakChars(const TCharSet8 &value) { FAdditionalWordBreakChars = value; }
    // The editor's tests, widened by the two additional sets: a word break is IsWordBreakChar
    // or in AdditionalWordBreakChars, and not in AdditionalIdentChars; a word (identifier)
    // character is IsIdentChar or in AdditionalIdentChars, and no such word break.
    bool IsEditorWordBreakChar(QChar c) const;
    bool IsEditorIdentChar(QChar c) const;

    // --- Change notification --------------------------------------------------------------
    void BeginUpdate();
    void EndUpdate();
    THookId HookAttrChangeEvent(TNotifyEvent handler);
    void UnhookAttrChangeEvent(THookId id);
    // Called once at the start of destruction, before the attributes are freed, with this
    // highlighter (whose derived part is already gone: compare the pointer, and call nothing
    // but UnhookAttrChangeEvent and RemoveDestroyHandler on it).
    THookId AddDestroyHandler(TDestroyEvent handler);
    void RemoveDestroyHandler(THookId id);
    // Between BeginLoading and Loaded, attribute changes notify nobody; Loaded then notifies
    // the hooked handlers once with no sender.
    void BeginLoading() { m_loading = true; }
    virtual void Loaded();
    bool IsLoading() const { return m_loading; }

    // --- Persistence and copying ----------------------------------------------------------
    // Colours and style of each attribute from the first attribute of source with an equal
    // Name, then DefaultFilter and Enabled.
    virtual void Assign(const TCustomHighlighter &source);
    // One INI section per attribute Name with the integer keys "Background", "Foreground" and
    // "Style"; true only if every attribute had its section. Saving throws bp::Error when
    // the file cannot be written.
    bool LoadFromFile(const QString &fileName);
    bool SaveToFile(const QString &fileName);
    // One subkey of key per attribute Name with the integer values "Background",
    // "Foreground" and "Style"; true only if every attribute succeeded; false when the key
    // cannot be opened.
    virtual bool LoadFromRegistry(SettingsStore &root, const QString &key);
    virtual bool SaveToRegistry(SettingsStore &root, const QString &key);

protected:
    // Sets up the line buffers: fLine (lower-cased copy unless fCaseSensitive, always followed
    // by U+0000), fCasedLine, fLineLen, Run, ExpandedRun, fOldRun and fLineNumber.
    virtual void PrepareLine(QStringView text, int lineNumber);
    // The base part of Next, for concrete scanners to call without a virtual dispatch.
    void NextBase()
    {
        if (fOldRun == Run)
            return;
        fExpandedTokenPos = ExpandedRun;
        if (fExpandedLine == nullptr)
            return;
        StepExpandedRun();
    }
    // Whether text equals, code unit by code unit, the fStringLen characters at fToIdent.
    bool MatchesToken(QStringView text) const
    {
        return text.size() == fStringLen &&
               std::char_traits<char16_t>::compare(text.utf16(), fToIdent, fStringLen) == 0;
    }
    bool AtLineEnd(int pos) const
    {
        return pos >= fLineLen || fLine[pos] == u'\n' || fLine[pos] == u'\r';
    }

    // Adds an attribute under its Name and takes ownership; throws bp::Error("String list does
    // not allow duplicates") when the Name is already registered (case-insensitively).
    THighlighterAttributes *RegisterAttribute(std::unique_ptr<THighlighterAttributes> attribute);
    // Binds every registered attribute, last to first, to handler and records its current
    // colours and style as its defaults.
    void BindAttributeChanges(const THighlighterAttributes::TChangeHandler &handler);
    // The handler a concrete highlighter binds: defers while updating, ignores while loading,
    // otherwise calls every hooked handler with sender.
    void HighlighterChanged(const TChangeSender &sender);

    // Shared with the concrete scanner. fLine and fCasedLine point into buffers owned by this
    // object and stay valid until the next PrepareLine.
    bool fCaseSensitive = false;
    QString fDefaultFilter;
    const char16_t *fCasedLine = nullptr;
    const char16_t *fExpandedLine = nullptr;
    int fExpandedLineLen = 0;
    int fExpandedTokenPos = 0;
    const char16_t *fLine = nullptr;
    int fLineLen = 0;
    int fLineNumber = 0;
    int fStringLen = 0;
    const char16_t *fToIdent = nullptr;
    int fTokenPos = 0;
    int Run = 0;
    int ExpandedRun = 0;
    int fOldRun = 0;

private:
    struct HookEntry
    {
        THookId id;
        TNotifyEvent handler;
    };
    struct DestroyEntry
    {
        THookId id;
        TDestroyEvent handler;
    };

    void StepExpandedRun();
    static char16_t *Reserve(std::vector<char16_t> &buffer, std::size_t length);
    static const char16_t *CopyInto(std::vector<char16_t> &buffer, QStringView text);

    std::vector<std::unique_ptr<THighlighterAttributes>> fAttributes;
    std::vector<HookEntry> fAttrChangeHooks;
    std::vector<DestroyEntry> m_destroyHandlers;
    THookId m_lastHookId = 0;
    int fUpdateCount = 0;
    bool fEnabled = true;
    bool fUpdateChange = false;
    bool m_loading = false;
    TCharSet8 FAdditionalWordBreakChars;
    TCharSet8 FAdditionalIdentChars;
    // fLineStr, fCasedLineStr and fExpandedLineStr: each holds its line plus a U+0000.
    std::vector<char16_t> m_lineBuffer;
    std::vector<char16_t> m_casedLineBuffer;
    std::vector<char16_t> m_expandedLineBuffer;
};

} // namespace bp
