#include "structure_check.h"

#include "common/error.h"
#include "common/text_file.h"
#include "editor/model/editor_lines.h"
#include "highlight/qpile_keyword_table.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace bp {
namespace {

using Kind = QpileBlockKind;

QString openText(Kind kind)
{
    switch (kind) {
    case Kind::If:
        return QStringLiteral("IF");
    case Kind::For:
        return QStringLiteral("FOR");
    case Kind::Func:
        return QStringLiteral("FUNC");
    case Kind::Program:
        return QStringLiteral("PROGRAM");
    case Kind::Parameter:
        return QStringLiteral("PARAMETER");
    case Kind::PortfolioEx:
        return QStringLiteral("PORTFOLIO_EX");
    case Kind::Portfolio:
        return QStringLiteral("PORTFOLIO");
    }
    return QString();
}

QString closeText(Kind kind)
{
    switch (kind) {
    case Kind::If:
        return QStringLiteral("END IF");
    case Kind::For:
        return QStringLiteral("END FOR");
    case Kind::Func:
        return QStringLiteral("END FUNC");
    case Kind::Program:
        return QStringLiteral("END_PROGRAM");
    case Kind::Parameter:
        return QStringLiteral("END");
    case Kind::PortfolioEx:
        return QStringLiteral("END_PORTFOLIO_EX");
    case Kind::Portfolio:
        return QStringLiteral("END_PORTFOLIO");
    }
    return QString();
}

// How far out a block reaches: a close never matches an opener across a block of a higher
// rank, so an END IF inside a FUNC cannot close an IF outside it.
int rank(Kind kind)
{
    switch (kind) {
    case Kind::If:
    case Kind::For:
        return 0;
    case Kind::Func:
        return 1;
    case Kind::Program:
    case Kind::Parameter:
        return 2;
    case Kind::PortfolioEx:
    case Kind::Portfolio:
        return 3;
    }
    return 0;
}

bool isPortfolio(Kind kind)
{
    return kind == Kind::PortfolioEx || kind == Kind::Portfolio;
}

bool isCode(Kind kind)
{
    return rank(kind) <= 1 || kind == Kind::Program;
}

constexpr Kind kKinds[] = {Kind::If,        Kind::For,         Kind::Func,     Kind::Program,
                           Kind::Parameter, Kind::PortfolioEx, Kind::Portfolio};

int innermost(const QpileCheckState::Blocks &blocks, Kind kind)
{
    return blocks.summary().innermost[int(kind)];
}

// Whether a block of code (IF, FOR, FUNC, PROGRAM) is open.
bool inCode(const QpileCheckState::Blocks &blocks)
{
    return std::any_of(std::begin(kKinds), std::end(kKinds),
                       [&](Kind kind) { return isCode(kind) && innermost(blocks, kind) > 0; });
}

// The depth of the open block a close of `kind` closes: the innermost of its kind with no
// block of a higher rank inside it; 0 when there is none.
int closedDepth(const QpileCheckState::Blocks &blocks, Kind kind)
{
    const int depth = innermost(blocks, kind);
    for (Kind other : kKinds) {
        if (rank(other) > rank(kind) && innermost(blocks, other) > depth)
            return 0;
    }
    return depth;
}

QString argumentRange(const QpileFunction &function)
{
    const int low = function.minArguments();
    const int high = function.maxArguments();
    return low == high ? QString::number(low) : QStringLiteral("%1–%2").arg(low).arg(high);
}

enum class Word
{
    None,
    If,
    For,
    Func,
    Else,
    End,
    MisspelledEndIf,
    MisspelledEndFor,
    MisspelledEndFunc,
    Program,
    EndProgram,
    Parameter,
    PortfolioEx,
    Portfolio,
    EndPortfolioEx,
    EndPortfolio,
    HeaderLine,
    Include,
    // A header word that takes no ";" for sure.
    Directive,
};

// The words a statement may start with that matter to the structure, in lower case.
Word classify(QStringView word)
{
    struct Entry
    {
        QStringView text;
        Word word;
    };
    static const Entry entries[] = {
        {u"if", Word::If},
        {u"for", Word::For},
        {u"func", Word::Func},
        {u"else", Word::Else},
        {u"end", Word::End},
        {u"end_if", Word::MisspelledEndIf},
        {u"endif", Word::MisspelledEndIf},
        {u"end_for", Word::MisspelledEndFor},
        {u"endfor", Word::MisspelledEndFor},
        {u"end_func", Word::MisspelledEndFunc},
        {u"endfunc", Word::MisspelledEndFunc},
        {u"program", Word::Program},
        {u"end_program", Word::EndProgram},
        {u"parameter", Word::Parameter},
        {u"portfolio_ex", Word::PortfolioEx},
        {u"portfolio", Word::Portfolio},
        {u"end_portfolio_ex", Word::EndPortfolioEx},
        {u"end_portfolio", Word::EndPortfolio},
        {u"description", Word::HeaderLine},
        {u"clients_list", Word::HeaderLine},
        {u"firms_list", Word::HeaderLine},
        {u"include", Word::Include},
        {u"use_case_sensitive_constants", Word::Directive},
        {u"parameter_title", Word::HeaderLine},
        {u"parameter_description", Word::HeaderLine},
        {u"parameter_type", Word::HeaderLine},
    };
    for (const Entry &entry : entries) {
        if (entry.text == word)
            return entry.word;
    }
    return Word::None;
}

// A block left open, at its opener ("Блок IF не закрыт: нет END IF").
void reportUnclosedBlock(const QpileCheckState::OpenBlock &block,
                         std::vector<QpileProblem> &problems)
{
    // One text per kind, shared by every such finding: a file may hold very many of them.
    static const std::vector<QString> messages = [] {
        std::vector<QString> texts;
        for (int kind = 0; kind <= int(Kind::Portfolio); ++kind)
            texts.push_back(QStringLiteral("Блок %1 не закрыт: нет %2")
                                .arg(openText(Kind(kind)), closeText(Kind(kind))));
        return texts;
    }();
    problems.push_back({QpileProblemKind::UnclosedBlock, block.line, block.column, block.length,
                        messages[std::size_t(block.kind)]});
}

bool isCyrillic(char16_t c)
{
    return c >= 0x0400 && c <= 0x04FF;
}

bool isLatinLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isWordUnit(char16_t c)
{
    return qpile::isIdentCodeUnit(c) || isCyrillic(c);
}

// The Latin letter a Cyrillic one looks like on screen (lower case), or the letter itself.
char16_t latinLookalike(char16_t c)
{
    switch (c) {
    case u'а':
        return u'a';
    case u'в':
        return u'b';
    case u'е':
    case u'ё':
        return u'e';
    case u'к':
        return u'k';
    case u'м':
        return u'm';
    case u'н':
        return u'h';
    case u'о':
        return u'o';
    case u'р':
        return u'p';
    case u'с':
        return u'c';
    case u'т':
        return u't';
    case u'у':
        return u'y';
    case u'х':
        return u'x';
    default:
        return c;
    }
}

// The typing-slip distance of two words: insertions, deletions, changes and swaps of two
// neighbours, each counting one.
int slipDistance(QStringView a, QStringView b)
{
    const qsizetype n = a.size();
    const qsizetype m = b.size();
    std::vector<int> before(std::size_t(m + 1)), previous(std::size_t(m + 1)),
        current(std::size_t(m + 1));
    for (qsizetype j = 0; j <= m; ++j)
        previous[std::size_t(j)] = int(j);
    for (qsizetype i = 1; i <= n; ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= m; ++j) {
            const int change = a[i - 1] == b[j - 1] ? 0 : 1;
            int best = std::min({previous[std::size_t(j)] + 1, current[std::size_t(j - 1)] + 1,
                                 previous[std::size_t(j - 1)] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                best = std::min(best, before[std::size_t(j - 2)] + 1);
            current[std::size_t(j)] = best;
        }
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return previous[std::size_t(m)];
}

// How many slips a word of this length may hold and still be taken for a known one.
int slipsAllowed(qsizetype length)
{
    return length >= 8 ? 2 : length >= 4 ? 1 : 0;
}

// Words a statement starts with that a slip turns into an unknown name; shorter words are
// left alone, their slips look like variable names.
constexpr QStringView kStructureWords[] = {
    u"program",        u"end_program",  u"portfolio_ex",    u"end_portfolio_ex",
    u"parameter",      u"description",  u"parameter_title", u"parameter_description",
    u"parameter_type", u"clients_list", u"firms_list",      u"include",
};

constexpr QStringView kMixedLetterMessage = u"Кириллическая «%1» в слове %2";

} // namespace

void sortProblems(std::vector<QpileProblem> &problems)
{
    std::stable_sort(
        problems.begin(), problems.end(), [](const QpileProblem &left, const QpileProblem &right) {
            return std::tie(left.line, left.column) < std::tie(right.line, right.column);
        });
}

int QpileNames::intern(QStringView lowered, QStringView spelling)
{
    const std::u16string_view key(reinterpret_cast<const char16_t *>(lowered.utf16()),
                                  std::size_t(lowered.size()));
    if (const auto found = m_ids.find(key); found != m_ids.end())
        return found->second;
    const int id = int(m_lowered.size());
    m_ids.emplace(std::u16string(key), id);
    m_lowered.push_back(lowered.toString());
    m_spellings.push_back(spelling.toString());
    return id;
}

int QpileNames::find(QStringView lowered) const
{
    const std::u16string_view key(reinterpret_cast<const char16_t *>(lowered.utf16()),
                                  std::size_t(lowered.size()));
    const auto found = m_ids.find(key);
    return found == m_ids.end() ? -1 : found->second;
}

QpileStructureChecker::QpileStructureChecker(const QpileReference &reference)
    : m_reference(reference)
{}

std::vector<QpileProblem> QpileStructureChecker::checkAll(const TEditorLines &lines,
                                                          const QString &folder)
{
    QpileCheckState state;
    std::vector<QpileProblem> problems;
    std::vector<QpileNameUse> uses;
    checkLines(lines, lines.Count(), state, problems, &uses);
    finish(state, problems);
    QpileNameCheck names(*this, m_names);
    names.setFolder(folder);
    for (const QpileNameUse &use : uses)
        names.add(use);
    names.report(uses, problems);
    sortProblems(problems);
    return problems;
}

std::vector<QpileProblem> QpileStructureChecker::checkAll(const QStringList &lines,
                                                          const QString &folder)
{
    TEditorLines list;
    for (const QString &line : lines)
        list.Add(line);
    return checkAll(list, folder);
}

void QpileStructureChecker::checkLines(const TEditorLines &lines, int count, QpileCheckState &state,
                                       std::vector<QpileProblem> &problems,
                                       std::vector<QpileNameUse> *uses)
{
    const int end = std::min(lines.Count(), state.nextLine + count);
    while (state.nextLine < end)
        checkLine(lines.view(state.nextLine), state, problems, uses);
}

void QpileStructureChecker::checkLine(QStringView text, QpileCheckState &state,
                                      std::vector<QpileProblem> &problems,
                                      std::vector<QpileNameUse> *uses)
{
    m_uses = uses;
    m_line = state.nextLine + 1;
    m_highlighter.SetRange(state.range);
    m_tokens.scan(m_highlighter, text, state.nextLine);
    state.range = m_highlighter.GetRange();
    ++state.nextLine;
    m_openString = false;

    const int count = m_tokens.significantCount();
    m_codeEnd = count;
    if (count > 0) {
        const QpileToken &first = m_tokens.significantAt(0);
        const QpileToken &last = m_tokens.significantAt(count - 1);
        state.sawText = true;
        state.lastTextLine = m_line;
        state.lastTextColumn = first.pos + 1;
        state.lastTextLength = last.end() - first.pos;
    }
    const int mark = m_tokens.continuationMark();
    const int end = mark >= 0 ? mark : count;
    settleUnclosed(state, problems);
    int usesFrom = 0;
    if (!state.continued && count > 0) {
        state.headerStatement = false;
        if (innermost(state.blocks, Kind::Func) == 0 &&
            m_tokens.loweredText(m_tokens.significantAt(0)) != u"func")
            state.sawTextOutsideFunc = true;
        usesFrom = checkStatementStart(state, problems);
        if (state.headerStatement) {
            // The header word itself is code: a Cyrillic letter in it is found there.
            const QStringView text = m_tokens.text();
            for (int at = m_tokens.significantAt(0).pos;
                 at < text.size() && isWordUnit(text[at].unicode()); ++at) {
                if (isCyrillic(text[at].unicode()))
                    checkLetter(at, problems);
            }
        }
    }
    if (state.headerStatement) {
        // Header and column lines hold free text; only the ";" at their very end matters.
        if (mark < 0 && !state.semicolonDue.isEmpty() && state.continued) {
            const QpileToken &last = m_tokens.significantAt(std::max(count - 1, 0));
            if (count == 0 || !m_tokens.isChar(last, u';')) {
                const QpileToken &first = m_tokens.significantAt(0);
                if (count > 0)
                    add(problems, QpileProblemKind::MissingSemicolon, first.pos + 1,
                        last.end() - first.pos,
                        QStringLiteral("Нет «;» в конце строки %1").arg(state.semicolonDue));
            }
            state.semicolonDue.clear();
        }
        if (mark < 0)
            state.semicolonDue.clear();
        state.continued = mark >= 0;
        state.calls.clear();
        return;
    }
    if (!inCode(state.blocks))
        usesFrom = count;
    m_usesFrom = usesFrom;
    checkCalls(0, end, state, problems);
    state.continued = mark >= 0;
    if (!state.continued && !state.calls.empty()) {
        // A bracket left open ends with its statement; carrying it on would shift every later
        // count. The next line tells whether the writer meant to go on there.
        if (!m_openString && std::min(end, m_codeEnd) > 0) {
            const QpileToken &last = m_tokens.significantAt(std::min(end, m_codeEnd) - 1);
            state.unclosed = state.calls;
            state.brokenLine = m_line;
            state.brokenColumn = last.pos + 1;
            state.brokenLength = last.length;
        }
        state.calls.clear();
    }
}

void QpileStructureChecker::checkLetter(int pos, std::vector<QpileProblem> &problems)
{
    const QStringView text = m_tokens.text();
    int start = pos;
    int stop = pos + 1;
    while (start > 0 && isWordUnit(text[start - 1].unicode()))
        --start;
    while (stop < text.size() && isWordUnit(text[stop].unicode()))
        ++stop;
    const QStringView word = text.mid(start, stop - start);
    if (std::any_of(word.begin(), word.end(),
                    [](QChar letter) { return isLatinLetter(letter.unicode()); }))
        add(problems, QpileProblemKind::MixedAlphabet, pos + 1, 1,
            kMixedLetterMessage.toString().arg(QString(text[pos]), word.toString()));
}

void QpileStructureChecker::settleUnclosed(QpileCheckState &state,
                                           std::vector<QpileProblem> &problems)
{
    if (state.unclosed.empty())
        return;
    // This line carries the calls on when it closes more brackets than it opens and does not
    // start a statement of its own (an assignment, a block word).
    int depth = 0;
    bool carries = false;
    if (m_tokens.significantCount() > 0) {
        const QpileToken &first = m_tokens.significantAt(0);
        if (QpileLineTokens::isWord(first) &&
            (classify(m_tokens.loweredText(first)) != Word::None ||
             (m_tokens.significantCount() > 1 && m_tokens.isChar(m_tokens.significantAt(1), u'='))))
            depth = 1 << 20;
    }
    for (int i = 0; i < m_tokens.significantCount() && !carries; ++i) {
        const QpileToken &token = m_tokens.significantAt(i);
        if (m_tokens.isChar(token, u'('))
            ++depth;
        else if (m_tokens.isChar(token, u')'))
            carries = --depth < 0;
    }
    if (carries) {
        problems.push_back(
            {QpileProblemKind::BrokenLine, state.brokenLine, state.brokenColumn, state.brokenLength,
             QStringLiteral("Строка оборвана внутри вызова: продолжение строки — « _»")});
        state.calls = std::move(state.unclosed);
        state.continued = true;
    } else {
        for (const QpileCheckState::OpenCall &call : state.unclosed.toVector())
            reportUnclosed(call, problems);
    }
    state.unclosed.clear();
}

void QpileStructureChecker::reportUnclosed(const QpileCheckState::OpenCall &call,
                                           std::vector<QpileProblem> &problems) const
{
    problems.push_back({QpileProblemKind::UnclosedBracket, call.bracketLine, call.bracketColumn, 1,
                        QStringLiteral("Скобка «(» не закрыта")});
    if (call.function >= 0)
        checkArgumentCount(call, problems);
}

void QpileStructureChecker::checkArgumentCount(const QpileCheckState::OpenCall &call,
                                               std::vector<QpileProblem> &problems) const
{
    const QpileFunction &function = m_reference.functions()[call.function];
    const int arguments = call.commas > 0 ? call.commas + 1 : (call.hasArgument ? 1 : 0);
    if (arguments < function.minArguments() || arguments > function.maxArguments())
        problems.push_back({QpileProblemKind::WrongArgumentCount, call.line, call.column,
                            call.length,
                            QStringLiteral("%1: нужно аргументов: %2, передано: %3")
                                .arg(function.name, argumentRange(function))
                                .arg(arguments)});
}

void QpileStructureChecker::useName(QpileNameUse::Kind kind, QStringView lowered,
                                    QStringView spelling, int pos, int length)
{
    if (m_uses)
        m_uses->push_back({kind, m_names.intern(lowered, spelling), m_line, pos + 1, length});
}

void QpileStructureChecker::use(QpileNameUse::Kind kind, int pos, int length)
{
    useName(kind, m_tokens.lowered().mid(pos, length), m_tokens.text().mid(pos, length), pos,
            length);
}

int QpileStructureChecker::checkStatementStart(QpileCheckState &state,
                                               std::vector<QpileProblem> &problems)
{
    const int count = m_tokens.significantCount();
    const QpileToken &firstToken = m_tokens.significantAt(0);
    const QStringView text = m_tokens.text();
    if (!QpileLineTokens::isWord(firstToken) && !isCyrillic(text[firstToken.pos].unicode()))
        return 0;
    // The first word as it reads on screen: Cyrillic look-alikes inside it still make the
    // block word the writer meant, so its block opens here and its close finds it.
    int wordEnd = firstToken.pos;
    while (wordEnd < text.size() && isWordUnit(text[wordEnd].unicode()))
        ++wordEnd;
    const QpileToken first{firstToken.kind, firstToken.pos, wordEnd - firstToken.pos};
    int next = 1;
    while (next < count && m_tokens.significantAt(next).pos < wordEnd)
        ++next;
    QString folded;
    QStringView word = m_tokens.loweredText(first);
    const bool mixed = wordEnd != firstToken.end();
    if (mixed) {
        folded = word.toString();
        for (QChar &c : folded)
            c = QChar(latinLookalike(c.unicode()));
        word = folded;
    }
    const QpileToken *second = next < count ? &m_tokens.significantAt(next) : nullptr;
    Word kind = classify(word);
    if (kind == Word::None && !mixed && first.kind == TtkTokenKind::tkIdentifier &&
        (!second || (!m_tokens.isChar(*second, u'=') && !m_tokens.isChar(*second, u'(')))) {
        // A word standing alone that a slip or two away is a structure word was meant as it.
        for (QStringView known : kStructureWords) {
            // Words whose lengths differ by more than the slips allowed are never that near.
            const int allowed = slipsAllowed(known.size());
            if (std::abs(int(word.size() - known.size())) <= allowed &&
                slipDistance(word, known) <= allowed) {
                add(problems, QpileProblemKind::MisspelledWord, first.pos + 1, first.length,
                    QStringLiteral("Неизвестное слово %1 — может быть, %2?")
                        .arg(m_tokens.textOf(first).toString(), known.toString().toUpper()));
                kind = classify(known);
                break;
            }
        }
    }

    const auto misspelled = [&](Kind block, int length) {
        // With nothing to close, the spelling is beside the point: one finding names the
        // close as written and the block it lacks.
        if (!canClose(block, state)) {
            add(problems, QpileProblemKind::CloseWithoutOpen, first.pos + 1, length,
                QStringLiteral("%1 без %2")
                    .arg(text.mid(first.pos, length).toString().toUpper(), openText(block)));
            return;
        }
        add(problems, QpileProblemKind::MisspelledClose, first.pos + 1, length,
            QStringLiteral("ожидалось ") + closeText(block));
        close(block, first, length, state, problems);
    };
    const auto unwindToPortfolio = [&] {
        // PROGRAM and PARAMETER stand directly in the file: whatever is still open inside
        // the portfolio was left open.
        while (!state.blocks.empty() && !isPortfolio(state.blocks.top().kind)) {
            const QpileCheckState::OpenBlock block = state.blocks.top();
            state.blocks.pop();
            reportUnclosedBlock(block, problems);
        }
    };
    const auto header = [&] {
        state.headerStatement = true;
        return count;
    };

    int usesFrom = next;
    switch (kind) {
    case Word::If:
        open(Kind::If, first, state);
        if (next >= count || (next == m_tokens.continuationMark() && next == count - 1))
            add(problems, QpileProblemKind::MissingCondition, first.pos + 1, first.length,
                QStringLiteral("IF без условия"));
        break;
    case Word::For:
        open(Kind::For, first, state);
        if (m_tokens.continuationMark() < 0)
            checkForHeader(first, next, problems);
        if (next < count && m_tokens.significantAt(next).kind == TtkTokenKind::tkIdentifier) {
            const QpileToken &variable = m_tokens.significantAt(next);
            if (!isFuncParam(state, variable))
                use(QpileNameUse::Kind::Assign, variable.pos, variable.length);
            usesFrom = next + 1;
        }
        break;
    case Word::Func: {
        open(Kind::Func, first, state);
        state.funcParams.clear();
        if (second && QpileLineTokens::isWord(*second)) {
            use(QpileNameUse::Kind::FuncDef, second->pos, second->length);
            for (int i = next + 1; i < count; ++i) {
                const QpileToken &token = m_tokens.significantAt(i);
                if (token.kind == TtkTokenKind::tkIdentifier)
                    state.funcParams.push_back(
                        m_names.intern(m_tokens.loweredText(token), m_tokens.textOf(token)));
            }
        }
        usesFrom = count;
        break;
    }
    case Word::Else:
        close(Kind::If, first, first.length, state, problems, true);
        usesFrom = count;
        break;
    case Word::End: {
        const QStringView after =
            second && QpileLineTokens::isWord(*second) ? m_tokens.loweredText(*second) : u"";
        const int both = second ? second->end() - first.pos : first.length;
        Kind block = Kind::If;
        bool twoWords = true;
        if (after == u"if")
            block = Kind::If;
        else if (after == u"for")
            block = Kind::For;
        else if (after == u"func")
            block = Kind::Func;
        else
            twoWords = false;
        if (twoWords) {
            if (block == Kind::Func)
                state.funcParams.clear();
            // Exactly one blank between the words.
            if (second->pos == first.end() + 1 && text[first.end()] == u' ')
                close(block, first, both, state, problems);
            else
                misspelled(block, both);
        } else if (after == u"program") {
            misspelled(Kind::Program, both);
        } else if (after == u"portfolio_ex") {
            state.sawPortfolioEnd = true;
            misspelled(Kind::PortfolioEx, both);
        } else if (after == u"portfolio") {
            state.sawPortfolioEnd = true;
            misspelled(Kind::Portfolio, both);
        } else if (!state.blocks.empty() && rank(state.blocks.top().kind) <= 1) {
            // A bare END inside IF, FOR or FUNC was meant to close that block.
            if (state.blocks.top().kind == Kind::Func)
                state.funcParams.clear();
            misspelled(state.blocks.top().kind, first.length);
        } else {
            close(Kind::Parameter, first, first.length, state, problems);
        }
        usesFrom = count;
        break;
    }
    case Word::MisspelledEndIf:
        misspelled(Kind::If, first.length);
        usesFrom = count;
        break;
    case Word::MisspelledEndFor:
        misspelled(Kind::For, first.length);
        usesFrom = count;
        break;
    case Word::MisspelledEndFunc:
        state.funcParams.clear();
        misspelled(Kind::Func, first.length);
        usesFrom = count;
        break;
    case Word::Program:
        unwindToPortfolio();
        open(Kind::Program, first, state);
        usesFrom = count;
        break;
    case Word::EndProgram:
        close(Kind::Program, first, first.length, state, problems);
        usesFrom = count;
        break;
    case Word::Parameter:
        unwindToPortfolio();
        open(Kind::Parameter, first, state);
        requireSemicolon(first, state, problems);
        // A column's name is a variable the program sets.
        if (second && second->kind == TtkTokenKind::tkIdentifier)
            use(QpileNameUse::Kind::Assign, second->pos, second->length);
        return header();
    case Word::PortfolioEx:
    case Word::Portfolio: {
        const Kind block = kind == Word::Portfolio ? Kind::Portfolio : Kind::PortfolioEx;
        while (!state.blocks.empty()) {
            const QpileCheckState::OpenBlock left = state.blocks.top();
            state.blocks.pop();
            reportUnclosedBlock(left, problems);
        }
        if (block == Kind::Portfolio)
            state.sawLegacyPortfolio = true;
        state.sawPortfolioOpen = true;
        open(block, first, state);
        requireSemicolon(first, state, problems);
        return header();
    }
    case Word::EndPortfolioEx:
        state.sawPortfolioEnd = true;
        close(Kind::PortfolioEx, first, first.length, state, problems);
        usesFrom = count;
        break;
    case Word::EndPortfolio:
        state.sawPortfolioEnd = true;
        close(Kind::Portfolio, first, first.length, state, problems);
        usesFrom = count;
        break;
    case Word::Include:
        // INCLUDE file, file;  Each file may hold FUNCs the script calls.
        for (int i = next; i < count;) {
            int stop = i;
            while (stop < count && !m_tokens.isChar(m_tokens.significantAt(stop), u',') &&
                   !m_tokens.isChar(m_tokens.significantAt(stop), u';') &&
                   stop != m_tokens.continuationMark())
                ++stop;
            if (stop > i) {
                const QpileToken &from = m_tokens.significantAt(i);
                const QpileToken &to = m_tokens.significantAt(stop - 1);
                QStringView name = text.mid(from.pos, to.end() - from.pos);
                int pos = from.pos;
                if (name.size() >= 2 && name.startsWith(u'"') && name.endsWith(u'"')) {
                    name = name.mid(1, name.size() - 2);
                    ++pos;
                }
                if (!name.isEmpty())
                    useName(QpileNameUse::Kind::Include, name, name, pos, int(name.size()));
            }
            i = stop + 1;
        }
        [[fallthrough]];
    case Word::HeaderLine:
        if (!inCode(state.blocks))
            requireSemicolon(first, state, problems);
        return header();
    case Word::Directive:
        return header();
    case Word::None:
        if (second && m_tokens.isChar(*second, u'=') && !mixed &&
            first.kind == TtkTokenKind::tkIdentifier &&
            !m_reference.isKeywordLowerCase(m_tokens.loweredText(first))) {
            if (!isFuncParam(state, first))
                use(QpileNameUse::Kind::Assign, first.pos, first.length);
            usesFrom = next + 1;
        } else {
            usesFrom = 0;
        }
        break;
    }

    // A statement that is only a call of a function returning a changed copy loses it.
    if (second && m_tokens.isChar(*second, u'(')) {
        const QpileFunction *function = m_reference.functionLowerCase(word);
        if (function && function->resultMustBeKept) {
            QString message = QStringLiteral("Результат %1 теряется: ").arg(function->name);
            const QpileToken *argument =
                count > next + 2 ? &m_tokens.significantAt(next + 1) : nullptr;
            if (argument && argument->kind == TtkTokenKind::tkIdentifier &&
                m_tokens.isChar(m_tokens.significantAt(next + 2), u',')) {
                const QString name = m_tokens.textOf(*argument).toString();
                message += QStringLiteral("пишите %1 = %2(%1, …)")
                               .arg(name, m_tokens.textOf(first).toString());
            } else {
                message += QStringLiteral("присвойте его переменной");
            }
            add(problems, QpileProblemKind::ResultNotKept, first.pos + 1, first.length, message);
        }
    }
    return usesFrom;
}

bool QpileStructureChecker::isFuncParam(const QpileCheckState &state, const QpileToken &token)
{
    if (state.funcParams.empty())
        return false;
    const int id = m_names.find(m_tokens.loweredText(token));
    return id >= 0 && std::find(state.funcParams.begin(), state.funcParams.end(), id) !=
                          state.funcParams.end();
}

void QpileStructureChecker::checkForHeader(const QpileToken &keyword, int next,
                                           std::vector<QpileProblem> &problems)
{
    const int count = m_tokens.significantCount();
    const QString forms = QStringLiteral("FOR i FROM a TO b или FOR v IN список");
    if (next >= count || m_tokens.significantAt(next).kind != TtkTokenKind::tkIdentifier) {
        add(problems, QpileProblemKind::BadForHeader, keyword.pos + 1, keyword.length,
            QStringLiteral("После FOR нужна переменная: ") + forms);
        return;
    }
    const QpileToken &variable = m_tokens.significantAt(next);
    if (next + 1 >= count) {
        add(problems, QpileProblemKind::BadForHeader, variable.pos + 1, variable.length,
            QStringLiteral("После переменной нужно FROM или IN: ") + forms);
        return;
    }
    const QpileToken &form = m_tokens.significantAt(next + 1);
    const QStringView formWord = m_tokens.loweredText(form);
    if (formWord == u"in") {
        if (next + 2 >= count)
            add(problems, QpileProblemKind::BadForHeader, form.pos + 1, form.length,
                QStringLiteral("После IN нужен список значений"));
        return;
    }
    if (formWord != u"from") {
        add(problems, QpileProblemKind::BadForHeader, form.pos + 1, form.length,
            QStringLiteral("«%1» вместо FROM или IN: ").arg(m_tokens.textOf(form).toString()) +
                forms);
        return;
    }
    int to = next + 2;
    while (to < count && m_tokens.loweredText(m_tokens.significantAt(to)) != u"to")
        ++to;
    if (to >= count) {
        add(problems, QpileProblemKind::BadForHeader, form.pos + 1, form.length,
            QStringLiteral("FROM без TO: ") + forms);
    } else if (to == next + 2) {
        add(problems, QpileProblemKind::BadForHeader, form.pos + 1, form.length,
            QStringLiteral("После FROM нужно начальное значение"));
    } else if (to == count - 1) {
        const QpileToken &toToken = m_tokens.significantAt(to);
        add(problems, QpileProblemKind::BadForHeader, toToken.pos + 1, toToken.length,
            QStringLiteral("После TO нужно конечное значение"));
    }
}

void QpileStructureChecker::checkCalls(int firstSignificant, int endSignificant,
                                       QpileCheckState &state, std::vector<QpileProblem> &problems)
{
    const QStringView lowered = m_tokens.lowered();
    const QStringView text = m_tokens.text();
    const int count = m_tokens.significantCount();
    const auto markArgument = [&state] {
        if (!state.calls.empty() && !state.calls.top().hasArgument)
            state.calls.mutableTop().hasArgument = true;
    };
    const auto isCall = [&](int i) {
        return i + 1 < count && m_tokens.isChar(m_tokens.significantAt(i + 1), u'(');
    };
    for (int i = firstSignificant; i < endSignificant; ++i) {
        const QpileToken &token = m_tokens.significantAt(i);
        if (token.kind == TtkTokenKind::tkString) {
            if (token.length < 2 || lowered[token.end() - 1] != u'"') {
                add(problems, QpileProblemKind::UnterminatedString, token.pos + 1, token.length,
                    QStringLiteral("Строка не закрыта: нет второй кавычки \""));
                m_openString = true;
            }
            markArgument();
            continue;
        }
        if (token.kind == TtkTokenKind::tkIdentifier) {
            markArgument();
            // Part of a number (3E2) or of a word with Cyrillic letters: no name of its own.
            const bool joined =
                (token.pos > 0 &&
                 (text[token.pos - 1].isDigit() || isCyrillic(text[token.pos - 1].unicode()))) ||
                (token.end() < text.size() && isCyrillic(text[token.end()].unicode()));
            if (!joined && i >= m_usesFrom && !isCall(i) &&
                !m_reference.isKeywordLowerCase(m_tokens.loweredText(token)) &&
                !m_reference.functionLowerCase(m_tokens.loweredText(token)) &&
                !isFuncParam(state, token))
                use(QpileNameUse::Kind::Read, token.pos, token.length);
            continue;
        }
        if (token.kind != TtkTokenKind::tkUnknown || token.length != 1) {
            markArgument();
            continue;
        }
        const char16_t c = text[token.pos].unicode();
        switch (c) {
        case u'‘':
        case u'’':
            // Meant as the comment's apostrophe: the rest of the line is its text.
            add(problems, QpileProblemKind::TypographicCharacter, token.pos + 1, 1,
                QStringLiteral("Типографская кавычка %1: комментарий начинается с '")
                    .arg(QChar(c)));
            m_codeEnd = i;
            m_openString = true;
            return;
        case u'“':
        case u'”':
        case u'«':
        case u'»': {
            // Meant as a string: what stands between the quotes is its text.
            add(problems, QpileProblemKind::TypographicCharacter, token.pos + 1, 1,
                QStringLiteral("Типографская кавычка %1 вместо \"").arg(QChar(c)));
            markArgument();
            int close = i + 1;
            while (close < endSignificant) {
                const QpileToken &inner = m_tokens.significantAt(close);
                const char16_t d = inner.length == 1 ? text[inner.pos].unicode() : 0;
                if (d == u'”' || d == u'»' || d == u'“' || d == u'"')
                    break;
                ++close;
            }
            if (close < endSignificant) {
                const QpileToken &inner = m_tokens.significantAt(close);
                if (text[inner.pos] != u'"')
                    add(problems, QpileProblemKind::TypographicCharacter, inner.pos + 1, 1,
                        QStringLiteral("Типографская кавычка %1 вместо \"").arg(text[inner.pos]));
            }
            i = close;
            break;
        }
        case u'–':
        case u'—':
            add(problems, QpileProblemKind::TypographicCharacter, token.pos + 1, 1,
                QStringLiteral("%1 вместо -").arg(QChar(c)));
            break;
        case u'(': {
            markArgument();
            QpileCheckState::OpenCall call;
            call.line = m_line;
            call.bracketLine = m_line;
            call.bracketColumn = token.pos + 1;
            call.column = token.pos + 1;
            call.length = 1;
            if (i > firstSignificant) {
                const QpileToken &name = m_tokens.significantAt(i - 1);
                if (QpileLineTokens::isWord(name)) {
                    call.column = name.pos + 1;
                    call.length = name.length;
                    const QStringView nameText = m_tokens.loweredText(name);
                    const QpileFunction *function = m_reference.functionLowerCase(nameText);
                    if (function && function->argumentCountKnown())
                        call.function = int(function - m_reference.functions().constData());
                    if (function && function->name == u"NEW_GLOBAL" && i + 1 < endSignificant) {
                        const QpileToken &argument = m_tokens.significantAt(i + 1);
                        if (argument.kind == TtkTokenKind::tkString && argument.length > 2 &&
                            text[argument.end() - 1] == u'"')
                            use(QpileNameUse::Kind::Assign, argument.pos + 1, argument.length - 2);
                    }
                    const bool joined = name.pos > 0 && isCyrillic(text[name.pos - 1].unicode());
                    if (!function && !joined && i - 1 >= m_usesFrom &&
                        name.kind == TtkTokenKind::tkIdentifier &&
                        !m_reference.isKeywordLowerCase(nameText))
                        use(QpileNameUse::Kind::Call, name.pos, name.length);
                }
            }
            state.calls.push(call);
            break;
        }
        case u')': {
            if (state.calls.empty()) {
                add(problems, QpileProblemKind::ExtraBracket, token.pos + 1, 1,
                    QStringLiteral("Лишняя «)»"));
                break;
            }
            const QpileCheckState::OpenCall call = state.calls.top();
            state.calls.pop();
            markArgument();
            if (call.function >= 0)
                checkArgumentCount(call, problems);
            break;
        }
        case u',':
            if (!state.calls.empty())
                ++state.calls.mutableTop().commas;
            break;
        default:
            markArgument();
            if (isCyrillic(c))
                checkLetter(token.pos, problems);
            break;
        }
    }
}

void QpileStructureChecker::open(QpileBlockKind kind, const QpileToken &token,
                                 QpileCheckState &state)
{
    state.blocks.push({kind, m_line, token.pos + 1, token.length});
}

bool QpileStructureChecker::canClose(QpileBlockKind kind, const QpileCheckState &state)
{
    return closedDepth(state.blocks, kind) > 0;
}

void QpileStructureChecker::close(QpileBlockKind kind, const QpileToken &token, int length,
                                  QpileCheckState &state, std::vector<QpileProblem> &problems,
                                  bool middle)
{
    const int depth = closedDepth(state.blocks, kind);
    if (depth == 0) {
        add(problems, QpileProblemKind::CloseWithoutOpen, token.pos + 1, length,
            QStringLiteral("%1 без %2")
                .arg(middle ? QStringLiteral("ELSE") : closeText(kind), openText(kind)));
        return;
    }
    // Blocks opened inside the one closed here were left open.
    while (state.blocks.size() > depth) {
        reportUnclosedBlock(state.blocks.top(), problems);
        state.blocks.pop();
    }
    if (!middle)
        state.blocks.pop();
}

void QpileStructureChecker::requireSemicolon(const QpileToken &keyword, QpileCheckState &state,
                                             std::vector<QpileProblem> &problems)
{
    if (m_tokens.continuationMark() >= 0) {
        // Continued with " _": the ";" is due on the statement's last line.
        state.semicolonDue = m_tokens.textOf(keyword).toString().toUpper();
        return;
    }
    const QpileToken &last = m_tokens.significantAt(m_tokens.significantCount() - 1);
    if (m_tokens.isChar(last, u';'))
        return;
    add(problems, QpileProblemKind::MissingSemicolon, keyword.pos + 1, last.end() - keyword.pos,
        QStringLiteral("Нет «;» в конце строки %1")
            .arg(m_tokens.textOf(keyword).toString().toUpper()));
}

void QpileStructureChecker::finish(const QpileCheckState &state,
                                   std::vector<QpileProblem> &problems) const
{
    for (const QpileCheckState::OpenBlock &block : state.blocks.toVector()) {
        if (!isPortfolio(block.kind))
            reportUnclosedBlock(block, problems);
    }
    for (const QpileCheckState::OpenCall &call : state.unclosed.toVector())
        reportUnclosed(call, problems);
    // A file of FUNCs alone is a library for INCLUDE, with no header nor end of its own.
    if (state.sawText && !state.sawPortfolioEnd &&
        (state.sawPortfolioOpen || state.sawTextOutsideFunc)) {
        const Kind kind = state.sawLegacyPortfolio ? Kind::Portfolio : Kind::PortfolioEx;
        problems.push_back({QpileProblemKind::MissingPortfolioEnd, state.lastTextLine,
                            state.lastTextColumn, state.lastTextLength,
                            QStringLiteral("Нет %1 в конце файла").arg(closeText(kind))});
    }
}

void QpileStructureChecker::add(std::vector<QpileProblem> &problems, QpileProblemKind kind,
                                int column, int length, QString message) const
{
    problems.push_back({kind, m_line, column, length, std::move(message)});
}

QString QpileStructureChecker::nearestName(QStringView lowered,
                                           const std::vector<QString> &also) const
{
    QString best;
    int bestDistance = slipsAllowed(lowered.size()) + 1;
    const auto consider = [&](QStringView candidate) {
        if (std::abs(int(candidate.size() - lowered.size())) >= bestDistance)
            return;
        const int distance = slipDistance(lowered, candidate);
        if (distance > 0 && distance < bestDistance) {
            bestDistance = distance;
            best = candidate.toString().toUpper();
        }
    };
    for (const QpileFunction &function : m_reference.functions())
        consider(function.name.toLower());
    for (const QString &name : also)
        consider(name);
    return best;
}

QpileNameCheck::QpileNameCheck(const QpileStructureChecker &checker, QpileNames &names)
    : m_checker(checker), m_names(names)
{}

int &QpileNameCheck::counter(std::vector<int> &counts, int id)
{
    if (std::size_t(id) >= counts.size())
        counts.resize(std::size_t(id) + 1, 0);
    return counts[std::size_t(id)];
}

void QpileNameCheck::add(const QpileNameUse &use)
{
    switch (use.kind) {
    case QpileNameUse::Kind::FuncDef:
        ++counter(m_definitions, use.name);
        break;
    case QpileNameUse::Kind::Assign:
        ++counter(m_assignments, use.name);
        break;
    case QpileNameUse::Kind::Include:
        ++m_includes[use.name];
        break;
    default:
        break;
    }
}

void QpileNameCheck::remove(const QpileNameUse &use)
{
    switch (use.kind) {
    case QpileNameUse::Kind::FuncDef:
        --counter(m_definitions, use.name);
        break;
    case QpileNameUse::Kind::Assign:
        --counter(m_assignments, use.name);
        break;
    case QpileNameUse::Kind::Include:
        if (--m_includes[use.name] <= 0)
            m_includes.erase(use.name);
        break;
    default:
        break;
    }
}

void QpileNameCheck::clear()
{
    m_definitions.clear();
    m_assignments.clear();
    m_includes.clear();
}

std::vector<QString> QpileNameCheck::functionNames() const
{
    std::vector<QString> names;
    for (std::size_t id = 0; id < m_definitions.size(); ++id) {
        if (m_definitions[id] > 0)
            names.push_back(m_names.lowered(int(id)));
    }
    return names;
}

const QpileNameCheck::Included &QpileNameCheck::included(const QString &written)
{
    const QString path = QDir::isAbsolutePath(written) || m_folder.isEmpty()
                             ? written
                             : QDir(m_folder).filePath(written);
    // A name holding control characters names no file.
    const bool plain =
        std::none_of(written.begin(), written.end(), [](QChar c) { return c.unicode() < 0x20; });
    const QFileInfo info(plain ? path : QString());
    const auto found = std::find_if(m_cache.begin(), m_cache.end(),
                                    [&](const Included &entry) { return entry.path == path; });
    if (found != m_cache.end() && found->modified == info.lastModified() &&
        found->size == info.size())
        return *found;
    Included entry;
    entry.path = path;
    entry.modified = info.lastModified();
    entry.size = info.size();
    // A relative name with no folder to look in cannot be found.
    if (plain && QDir::isAbsolutePath(path) && info.isFile()) {
        try {
            const QString text = readTextFile(path, qint64{16} * 1024 * 1024).text;
            // Its FUNCs and the variables it sets, read the way the check reads a script.
            QpileStructureChecker reader(m_checker.reference());
            TEditorLines lines;
            lines.setText(text);
            QpileCheckState state;
            std::vector<QpileProblem> ignored;
            std::vector<QpileNameUse> uses;
            reader.checkLines(lines, lines.Count(), state, ignored, &uses);
            for (const QpileNameUse &use : uses) {
                if (use.kind == QpileNameUse::Kind::FuncDef)
                    entry.functions.push_back(reader.names().lowered(use.name));
                else if (use.kind == QpileNameUse::Kind::Assign)
                    entry.assigned.push_back(reader.names().lowered(use.name));
            }
            entry.readable = true;
        } catch (const Error &) {
            entry.readable = false;
        }
    }
    if (found != m_cache.end()) {
        *found = std::move(entry);
        return *found;
    }
    m_cache.push_back(std::move(entry));
    return m_cache.back();
}

void QpileNameCheck::report(const std::vector<QpileNameUse> &uses,
                            std::vector<QpileProblem> &problems)
{
    // What the included files add: their FUNCs and the variables they set.
    std::vector<quint8> defined(std::size_t(m_names.count()), 0);
    std::vector<quint8> assigned(std::size_t(m_names.count()), 0);
    std::vector<quint8> hinted(std::size_t(m_names.count()), 0);
    QStringList unreadable;
    std::vector<QString> extraFunctions;
    for (const auto &[id, count] : m_includes) {
        const Included &file = included(m_names.spelling(id));
        if (!file.readable) {
            unreadable.append(m_names.spelling(id));
            continue;
        }
        for (const QString &name : file.functions) {
            extraFunctions.push_back(name);
            if (const int known = m_names.find(name); known >= 0)
                defined[std::size_t(known)] = 1;
        }
        for (const QString &name : file.assigned) {
            if (const int known = m_names.find(name); known >= 0)
                assigned[std::size_t(known)] = 1;
        }
    }
    unreadable.sort();
    const auto has = [](const std::vector<int> &counts, int id) {
        return std::size_t(id) < counts.size() && counts[std::size_t(id)] > 0;
    };
    std::vector<QString> functions;
    bool functionsListed = false;
    for (const QpileNameUse &use : uses) {
        if (use.kind == QpileNameUse::Kind::Call) {
            if (has(m_definitions, use.name) || defined[std::size_t(use.name)])
                continue;
            if (!functionsListed) {
                functions = functionNames();
                functions.insert(functions.end(), extraFunctions.begin(), extraFunctions.end());
                functionsListed = true;
            }
            QString message =
                QStringLiteral("Неизвестная функция %1").arg(m_names.spelling(use.name));
            const QString nearest = m_checker.nearestName(m_names.lowered(use.name), functions);
            if (!nearest.isEmpty())
                message += QStringLiteral(" — может быть, %1?").arg(nearest);
            QpileSeverity severity = QpileSeverity::Error;
            if (!unreadable.isEmpty()) {
                // It may come from the file that could not be read: a doubt, not an error.
                message += QStringLiteral(" (или она в файле %1, который не удалось прочитать)")
                               .arg(unreadable.join(QStringLiteral(", ")));
                severity = QpileSeverity::Hint;
            }
            problems.push_back({QpileProblemKind::UnknownFunction, use.line, use.column, use.length,
                                message, severity});
        } else if (use.kind == QpileNameUse::Kind::Read) {
            // One hint a name, at its first read: the slip is in the name, not in each use.
            if (!unreadable.isEmpty() || has(m_assignments, use.name) ||
                has(m_definitions, use.name) || assigned[std::size_t(use.name)] ||
                std::exchange(hinted[std::size_t(use.name)], 1))
                continue;
            problems.push_back({QpileProblemKind::UnsetVariable, use.line, use.column, use.length,
                                QStringLiteral("Переменная %1 нигде не получает значения")
                                    .arg(m_names.spelling(use.name)),
                                QpileSeverity::Hint});
        }
    }
}

} // namespace bp
