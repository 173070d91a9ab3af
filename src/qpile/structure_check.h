#pragma once

#include "highlight/highlighter_range.h"
#include "qpile_reference.h"
#include "qpile_tokens.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace bp {

class TEditorLines;

enum class QpileProblemKind
{
    UnclosedBlock,        // an opener whose close never comes
    CloseWithoutOpen,     // a close (or ELSE) with no open block of its kind
    MisspelledClose,      // END_IF, ENDIF, "END  IF", END PROGRAM …
    MissingSemicolon,     // a header or column line without its final ";"
    MissingPortfolioEnd,  // the file does not end with END_PORTFOLIO_EX
    UnterminatedString,   // a string without its closing quote
    ResultNotKept,        // SET_VALUE(…) as a statement: the changed copy is lost
    WrongArgumentCount,   // a call with more or fewer arguments than the function takes
    UnclosedBracket,      // a "(" whose ")" never comes before the statement ends
    ExtraBracket,         // a ")" with no "(" open
    BrokenLine,           // a line ends inside a call that the next line carries on, without " _"
    UnknownFunction,      // a call of a name neither built in nor a FUNC of the script
    TypographicCharacter, // ‘ ’ “ ” « » – — in code, copied from a document
    MixedAlphabet,        // a Cyrillic letter inside a Latin word
    MisspelledWord,       // a statement's first word close to a structure word but not it
    BadForHeader,         // FOR neither "v IN list" nor "v FROM a TO b"
    MissingCondition,     // IF with nothing after it
    UnsetVariable,        // a name read but never given a value
};

// Errors are what the terminal refuses or misreads; hints are likely slips.
enum class QpileSeverity : quint8
{
    Error,
    Hint,
};

// One finding, at a 1-based line and column, covering `length` characters (at least one).
struct QpileProblem
{
    QpileProblemKind kind = QpileProblemKind::UnclosedBlock;
    int line = 1;
    int column = 1;
    int length = 0;
    QString message;
    QpileSeverity severity = QpileSeverity::Error;

    bool operator==(const QpileProblem &) const = default;
};

// Puts findings in text order, by line and then column; findings at one place keep the
// order they were made in.
void sortProblems(std::vector<QpileProblem> &problems);

// Where a line uses a name the whole file decides about: whether a called function is
// defined, whether a read variable is ever set. Names are numbers in the checker's
// QpileNames.
struct QpileNameUse
{
    enum class Kind : quint8
    {
        Call,    // a call of a name the reference does not know
        Read,    // a variable read in an expression
        Assign,  // a variable set: "x =", FOR x, NEW_GLOBAL("x", …), a column's name
        FuncDef, // FUNC x(…)
        Include, // INCLUDE x; the name is the file as written
    };
    Kind kind = Kind::Read;
    int name = 0;
    int line = 1;
    int column = 1;
    int length = 1;

    bool operator==(const QpileNameUse &) const = default;
};

// The names a checker has met, each numbered once: lower case (QPILE ignores letter case)
// and as first written.
class QpileNames
{
public:
    // The number of `lowered`, given it if new; `spelling` is kept for the first.
    int intern(QStringView lowered, QStringView spelling);
    // The number of `lowered`, or -1.
    int find(QStringView lowered) const;
    const QString &spelling(int id) const { return m_spellings[std::size_t(id)]; }
    const QString &lowered(int id) const { return m_lowered[std::size_t(id)]; }
    int count() const { return int(m_lowered.size()); }

private:
    struct Hash
    {
        using is_transparent = void;
        std::size_t operator()(std::u16string_view text) const
        {
            return std::hash<std::u16string_view>()(text);
        }
    };
    std::unordered_map<std::u16string, int, Hash, std::equal_to<>> m_ids;
    std::vector<QString> m_lowered;
    std::vector<QString> m_spellings;
};

enum class QpileBlockKind : quint8
{
    If,
    For,
    Func,
    Program,
    Parameter,
    PortfolioEx,
    Portfolio,
};

// A stack whose copies share their common part: a stored state costs one pointer for the
// blocks or calls open, however deep they are nested. A change on top copies that one entry
// when another copy still holds it. `Summary` is kept per entry for what lies at or below it
// (see QpileCheckState::BlockSummary).
struct QpileNoSummary
{
    template <class T> void add(const T &, int) {}
    bool operator==(const QpileNoSummary &) const = default;
};

template <class T, class Summary = QpileNoSummary> class QpileSharedStack
{
    struct Node
    {
        T value;
        std::shared_ptr<Node> below;
        int size = 0;
        Summary summary;
        // The last line shift applied to the value (see shiftFromTop).
        quint32 stamp = 0;
    };

public:
    QpileSharedStack() = default;
    QpileSharedStack(const QpileSharedStack &) = default;
    QpileSharedStack(QpileSharedStack &&other) noexcept : m_top(std::move(other.m_top)) {}
    QpileSharedStack &operator=(const QpileSharedStack &other)
    {
        if (this != &other) {
            std::shared_ptr<Node> top = other.m_top;
            clear();
            m_top = std::move(top);
        }
        return *this;
    }
    QpileSharedStack &operator=(QpileSharedStack &&other) noexcept
    {
        if (this != &other) {
            std::shared_ptr<Node> top = std::move(other.m_top);
            clear();
            m_top = std::move(top);
        }
        return *this;
    }
    ~QpileSharedStack() { clear(); }

    bool empty() const { return !m_top; }
    int size() const { return m_top ? m_top->size : 0; }
    const T &top() const { return m_top->value; }
    const Summary &summary() const
    {
        static const Summary none;
        return m_top ? m_top->summary : none;
    }
    T &mutableTop()
    {
        if (m_top.use_count() > 1)
            m_top = std::make_shared<Node>(*m_top);
        return m_top->value;
    }
    void push(const T &value)
    {
        auto node = std::make_shared<Node>();
        node->value = value;
        node->size = size() + 1;
        node->summary = summary();
        node->summary.add(value, node->size);
        node->below = std::move(m_top);
        m_top = std::move(node);
    }
    void pop()
    {
        std::shared_ptr<Node> below = m_top->below;
        m_top = std::move(below);
    }
    // Drops entries until `depth` are left.
    void popTo(int depth)
    {
        while (size() > depth)
            pop();
    }
    // Lets go of every entry, one at a time: a deep stack is no deep recursion.
    void clear()
    {
        while (m_top && m_top.use_count() == 1) {
            std::shared_ptr<Node> below = std::move(m_top->below);
            m_top = std::move(below);
        }
        m_top.reset();
    }
    // Calls `visit` from the top down while it returns true.
    template <class Visit> void fromTop(Visit &&visit) const
    {
        for (const Node *node = m_top.get(); node && visit(node->value); node = node->below.get()) {
        }
    }
    // The entries, the bottom one first.
    std::vector<T> toVector() const
    {
        std::vector<T> values;
        values.resize(std::size_t(size()));
        std::size_t i = values.size();
        fromTop([&](const T &value) {
            values[--i] = value;
            return true;
        });
        return values;
    }
    // Applies `shift` to entries from the top down while it returns true (it changes an entry
    // and says whether the one below may need it too). Entries are shared, so each is shifted
    // once per `stamp`; the caller makes sure every holder of a shifted entry wants it moved.
    template <class Shift> void shiftFromTop(quint32 stamp, Shift &&shift)
    {
        for (Node *node = m_top.get(); node && node->stamp != stamp; node = node->below.get()) {
            if (!shift(node->value))
                break;
            node->stamp = stamp;
        }
    }

    bool operator==(const QpileSharedStack &other) const
    {
        if (size() != other.size())
            return false;
        const Node *a = m_top.get();
        const Node *b = other.m_top.get();
        // A shared tail is equal without a look.
        for (; a != b; a = a->below.get(), b = b->below.get()) {
            if (!(a->value == b->value))
                return false;
        }
        return true;
    }

private:
    std::shared_ptr<Node> m_top;
};

// Where a check stands between two lines: the blocks open so far, the calls open in a
// statement that continues on the next line, and what the file has shown. Equal states give
// equal findings from there on, so a background check may stop re-checking where its new
// state equals the one stored from the previous run.
struct QpileCheckState
{
    struct OpenBlock
    {
        QpileBlockKind kind = QpileBlockKind::If;
        int line = 1;
        int column = 1;
        int length = 0;
        bool operator==(const OpenBlock &) const = default;
    };
    struct OpenCall
    {
        // Index into the reference's functions; -1 for a bracket or a function it does not
        // know (or whose parameters are in doubt).
        int function = -1;
        int commas = 0;
        bool hasArgument = false;
        int line = 1;
        int column = 1;
        int length = 0;
        // The "(" itself, 1-based.
        int bracketLine = 1;
        int bracketColumn = 1;
        bool operator==(const OpenCall &) const = default;
    };

    // For each kind of block, the depth (1 = outermost) of the innermost open one, 0 when
    // none is open: what a close or a line asks of the open blocks costs no walk over them.
    struct BlockSummary
    {
        int innermost[7] = {};
        void add(const OpenBlock &block, int depth) { innermost[int(block.kind)] = depth; }
        bool operator==(const BlockSummary &) const = default;
    };
    using Blocks = QpileSharedStack<OpenBlock, BlockSummary>;
    using Calls = QpileSharedStack<OpenCall>;

    Blocks blocks;
    Calls calls;
    // The highlighter's range at the end of the line before.
    TRange range = 0;
    // The line before ended in " _": the next line continues its statement.
    bool continued = false;
    bool sawText = false;
    bool sawLegacyPortfolio = false;
    bool sawPortfolioEnd = false;
    bool sawPortfolioOpen = false;
    // Text outside FUNC blocks: a file of FUNCs only is a library, not a portfolio.
    bool sawTextOutsideFunc = false;
    // The statement under way is a header or column line: free text, not code.
    bool headerStatement = false;
    // A header line continued with " _" whose ";" is due on its last line: its word, upper
    // case.
    QString semicolonDue;
    // Calls the last statement left open: the next line tells whether the writer broke the
    // line inside them (it closes them) or forgot a ")".
    Calls unclosed;
    int brokenLine = 0;
    int brokenColumn = 1;
    int brokenLength = 1;
    // The parameters of the FUNC being checked, as name numbers: reading them is no use of
    // a global variable.
    std::vector<int> funcParams;
    // The last line holding more than blanks and comments, for the missing file end.
    int lastTextLine = 0;
    int lastTextColumn = 1;
    int lastTextLength = 0;
    // Lines checked so far: the 0-based index of the next line.
    int nextLine = 0;

    bool operator==(const QpileCheckState &) const = default;
};

// The structure check: finds the problems listed in QpileProblemKind, each with a short
// Russian message naming the construct. Runs over the highlighter's tokens, scanning each
// line once. GUI-free; each checker has its own highlighter and shares only the (immutable)
// reference, so a background thread may run one while the editor runs another.
//
// A whole check is checkAll; a background check runs checkLines (or checkLine over a copy of
// the lines) chunk by chunk, carrying the state from one chunk to the next, and ends with
// finish.
class QpileStructureChecker
{
public:
    explicit QpileStructureChecker(const QpileReference &reference);

    // Checks every line and the end of the file. `folder` is where files the script includes
    // are looked for (the script's own folder); empty when it has none yet.
    std::vector<QpileProblem> checkAll(const TEditorLines &lines, const QString &folder = {});
    std::vector<QpileProblem> checkAll(const QStringList &lines, const QString &folder = {});

    QpileNames &names() { return m_names; }
    const QpileReference &reference() const { return m_reference; }

    // Checks `count` lines from state.nextLine on, appending their findings to `problems`
    // and advancing `state`. Findings about a block opened earlier (never closed) carry the
    // opener's place.
    void checkLines(const TEditorLines &lines, int count, QpileCheckState &state,
                    std::vector<QpileProblem> &problems, std::vector<QpileNameUse> *uses = nullptr);
    // Checks the line at state.nextLine, whose text is `text`.
    void checkLine(QStringView text, QpileCheckState &state, std::vector<QpileProblem> &problems,
                   std::vector<QpileNameUse> *uses = nullptr);
    // The findings at the end of the file: blocks still open, a missing END_PORTFOLIO_EX.
    void finish(const QpileCheckState &state, std::vector<QpileProblem> &problems) const;

    // The known name nearest to `lowered` by a typing slip or two, upper case; empty when
    // none is that near. `also` are more names to consider (lower case).
    QString nearestName(QStringView lowered, const std::vector<QString> &also = {}) const;

private:
    // Returns the significant index where code starts after the statement's first words.
    int checkStatementStart(QpileCheckState &state, std::vector<QpileProblem> &problems);
    void checkForHeader(const QpileToken &keyword, int next, std::vector<QpileProblem> &problems);
    bool isFuncParam(const QpileCheckState &state, const QpileToken &token);
    void checkArgumentCount(const QpileCheckState::OpenCall &call,
                            std::vector<QpileProblem> &problems) const;
    void checkCalls(int firstSignificant, int endSignificant, QpileCheckState &state,
                    std::vector<QpileProblem> &problems);
    // Reports the calls the last statement left open, unless this line carries them on.
    void settleUnclosed(QpileCheckState &state, std::vector<QpileProblem> &problems);
    // Reports the Cyrillic letter at `pos` when the word around it holds Latin letters.
    void checkLetter(int pos, std::vector<QpileProblem> &problems);
    void reportUnclosed(const QpileCheckState::OpenCall &call,
                        std::vector<QpileProblem> &problems) const;
    void use(QpileNameUse::Kind kind, int pos, int length);
    void useName(QpileNameUse::Kind kind, QStringView lowered, QStringView spelling, int pos,
                 int length);
    void open(QpileBlockKind kind, const QpileToken &token, QpileCheckState &state);
    // Closes the innermost open block of `kind`, reporting the blocks inside it as left open,
    // or reports the close as having no opener. A `middle` word (ELSE) keeps the block open.
    // Whether a close of `kind` has an open block to close.
    static bool canClose(QpileBlockKind kind, const QpileCheckState &state);
    void close(QpileBlockKind kind, const QpileToken &token, int length, QpileCheckState &state,
               std::vector<QpileProblem> &problems, bool middle = false);
    void requireSemicolon(const QpileToken &keyword, QpileCheckState &state,
                          std::vector<QpileProblem> &problems);
    void add(std::vector<QpileProblem> &problems, QpileProblemKind kind, int column, int length,
             QString message) const;

    const QpileReference &m_reference;
    TQPILEHighlighter m_highlighter;
    QpileLineTokens m_tokens;
    QpileNames m_names;
    // The line being checked, 1-based, for findings.
    int m_line = 0;
    // Where the line's name uses go; null when the caller wants none.
    std::vector<QpileNameUse> *m_uses = nullptr;
    // The line holds a string without its closing quote: brackets after it are its text.
    bool m_openString = false;
    // Significant tokens from this index on lie in typographic quotes or after ‘: no code.
    int m_codeEnd = 0;
    // Significant tokens before this index name no variable read (assigned names, FOR's
    // variable, a FUNC's header, lines outside code).
    int m_usesFrom = 0;
};

// Resolves the name uses of a whole file: calls of functions the file never defines,
// variables it never sets. Keeps a count of definitions per name, updated as lines come and
// go, so that a re-check after an edit costs the edited lines and one walk of the uses.
class QpileNameCheck
{
public:
    explicit QpileNameCheck(const QpileStructureChecker &checker, QpileNames &names);

    void setFolder(const QString &folder) { m_folder = folder; }
    const QString &folder() const { return m_folder; }
    void add(const QpileNameUse &use);
    void remove(const QpileNameUse &use);
    void clear();
    // The findings about `uses` (all the file's uses, in line order).
    void report(const std::vector<QpileNameUse> &uses, std::vector<QpileProblem> &problems);
    // The names of the FUNCs the file defines and the included files hold, lower case.
    std::vector<QString> functionNames() const;

private:
    struct Included
    {
        QString path;
        QDateTime modified;
        qint64 size = -1;
        bool readable = false;
        std::vector<QString> functions;
        std::vector<QString> assigned;
    };
    const Included &included(const QString &written);
    int &counter(std::vector<int> &counts, int id);

    const QpileStructureChecker &m_checker;
    QpileNames &m_names;
    QString m_folder;
    std::vector<int> m_definitions;
    std::vector<int> m_assignments;
    std::unordered_map<int, int> m_includes;
    std::vector<Included> m_cache;
};

} // namespace bp
