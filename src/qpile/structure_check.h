#pragma once

#include "highlight/highlighter_range.h"
#include "qpile_reference.h"
#include "qpile_tokens.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace bp {

class TEditorLines;

enum class QpileProblemKind
{
    UnclosedBlock,       // an opener whose close never comes
    CloseWithoutOpen,    // a close (or ELSE) with no open block of its kind
    MisspelledClose,     // END_IF, ENDIF, "END  IF", END PROGRAM …
    MissingSemicolon,    // a header or column line without its final ";"
    MissingPortfolioEnd, // the file does not end with END_PORTFOLIO_EX
    UnterminatedString,  // a string without its closing quote
    ResultNotKept,       // SET_VALUE(…) as a statement: the changed copy is lost
    WrongArgumentCount,  // a call with more or fewer arguments than the function takes
};

// One finding, at a 1-based line and column, covering `length` characters (at least one).
struct QpileProblem
{
    QpileProblemKind kind = QpileProblemKind::UnclosedBlock;
    int line = 1;
    int column = 1;
    int length = 0;
    QString message;

    bool operator==(const QpileProblem &) const = default;
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
        bool operator==(const OpenCall &) const = default;
    };

    std::vector<OpenBlock> blocks;
    std::vector<OpenCall> calls;
    // The highlighter's range at the end of the line before.
    TRange range = 0;
    // The line before ended in " _": the next line continues its statement.
    bool continued = false;
    bool sawText = false;
    bool sawLegacyPortfolio = false;
    bool sawPortfolioEnd = false;
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

    // Checks every line and the end of the file.
    std::vector<QpileProblem> checkAll(const TEditorLines &lines);
    std::vector<QpileProblem> checkAll(const QStringList &lines);

    // Checks `count` lines from state.nextLine on, appending their findings to `problems`
    // and advancing `state`. Findings about a block opened earlier (never closed) carry the
    // opener's place.
    void checkLines(const TEditorLines &lines, int count, QpileCheckState &state,
                    std::vector<QpileProblem> &problems);
    // Checks the line at state.nextLine, whose text is `text`.
    void checkLine(QStringView text, QpileCheckState &state, std::vector<QpileProblem> &problems);
    // The findings at the end of the file: blocks still open, a missing END_PORTFOLIO_EX.
    void finish(const QpileCheckState &state, std::vector<QpileProblem> &problems) const;

private:
    void checkStatementStart(QpileCheckState &state, std::vector<QpileProblem> &problems);
    void checkCalls(int firstSignificant, int endSignificant, QpileCheckState &state,
                    std::vector<QpileProblem> &problems);
    void open(QpileBlockKind kind, const QpileToken &token, QpileCheckState &state);
    // Closes the innermost open block of `kind`, reporting the blocks inside it as left open,
    // or reports the close as having no opener. A `middle` word (ELSE) keeps the block open.
    // Whether a close of `kind` has an open block to close.
    static bool canClose(QpileBlockKind kind, const QpileCheckState &state);
    void close(QpileBlockKind kind, const QpileToken &token, int length, QpileCheckState &state,
               std::vector<QpileProblem> &problems, bool middle = false);
    void requireSemicolon(const QpileToken &keyword, std::vector<QpileProblem> &problems);
    void add(std::vector<QpileProblem> &problems, QpileProblemKind kind, int column, int length,
             QString message) const;

    const QpileReference &m_reference;
    TQPILEHighlighter m_highlighter;
    QpileLineTokens m_tokens;
    // The line being checked, 1-based, for findings.
    int m_line = 0;
};

} // namespace bp
