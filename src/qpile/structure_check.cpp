#include "structure_check.h"

#include "editor/model/editor_lines.h"

#include <algorithm>

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
        {u"include", Word::HeaderLine},
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

// The message for a block left open ("Блок IF не закрыт: нет END IF").
QString unclosedBlockMessage(QpileBlockKind kind)
{
    return QStringLiteral("Блок %1 не закрыт: нет %2").arg(openText(kind), closeText(kind));
}

} // namespace

QpileStructureChecker::QpileStructureChecker(const QpileReference &reference)
    : m_reference(reference)
{}

std::vector<QpileProblem> QpileStructureChecker::checkAll(const TEditorLines &lines)
{
    QpileCheckState state;
    std::vector<QpileProblem> problems;
    checkLines(lines, lines.Count(), state, problems);
    finish(state, problems);
    std::stable_sort(
        problems.begin(), problems.end(), [](const QpileProblem &left, const QpileProblem &right) {
            return std::tie(left.line, left.column) < std::tie(right.line, right.column);
        });
    return problems;
}

std::vector<QpileProblem> QpileStructureChecker::checkAll(const QStringList &lines)
{
    TEditorLines list;
    for (const QString &line : lines)
        list.Add(line);
    return checkAll(list);
}

void QpileStructureChecker::checkLines(const TEditorLines &lines, int count, QpileCheckState &state,
                                       std::vector<QpileProblem> &problems)
{
    const int end = std::min(lines.Count(), state.nextLine + count);
    while (state.nextLine < end)
        checkLine(lines.view(state.nextLine), state, problems);
}

void QpileStructureChecker::checkLine(QStringView text, QpileCheckState &state,
                                      std::vector<QpileProblem> &problems)
{
    m_line = state.nextLine + 1;
    m_highlighter.SetRange(state.range);
    m_tokens.scan(m_highlighter, text, state.nextLine);
    state.range = m_highlighter.GetRange();
    ++state.nextLine;

    const int count = m_tokens.significantCount();
    if (count > 0) {
        const QpileToken &first = m_tokens.significantAt(0);
        const QpileToken &last = m_tokens.significantAt(count - 1);
        state.sawText = true;
        state.lastTextLine = m_line;
        state.lastTextColumn = first.pos + 1;
        state.lastTextLength = last.end() - first.pos;
    }
    const int mark = m_tokens.continuationMark();
    if (!state.continued && count > 0)
        checkStatementStart(state, problems);
    checkCalls(0, mark >= 0 ? mark : count, state, problems);
    state.continued = mark >= 0;
    // A bracket left open ends with its statement; carrying it on would shift every later
    // count.
    if (!state.continued)
        state.calls.clear();
}

void QpileStructureChecker::checkStatementStart(QpileCheckState &state,
                                                std::vector<QpileProblem> &problems)
{
    const int count = m_tokens.significantCount();
    const QpileToken &first = m_tokens.significantAt(0);
    if (!QpileLineTokens::isWord(first))
        return;
    const QpileToken *second = count > 1 ? &m_tokens.significantAt(1) : nullptr;
    const QStringView word = m_tokens.loweredText(first);

    const auto misspelled = [&](Kind kind, int length) {
        // With nothing to close, the spelling is beside the point: one finding names the
        // close as written and the block it lacks.
        if (!canClose(kind, state)) {
            add(problems, QpileProblemKind::CloseWithoutOpen, first.pos + 1, length,
                QStringLiteral("%1 без %2")
                    .arg(m_tokens.text().mid(first.pos, length).toString().toUpper(),
                         openText(kind)));
            return;
        }
        add(problems, QpileProblemKind::MisspelledClose, first.pos + 1, length,
            QStringLiteral("ожидалось ") + closeText(kind));
        close(kind, first, length, state, problems);
    };
    const auto unwindToPortfolio = [&] {
        // PROGRAM and PARAMETER stand directly in the file: whatever is still open inside
        // the portfolio was left open.
        while (!state.blocks.empty() && !isPortfolio(state.blocks.back().kind)) {
            const QpileCheckState::OpenBlock block = state.blocks.back();
            state.blocks.pop_back();
            problems.push_back({QpileProblemKind::UnclosedBlock, block.line, block.column,
                                block.length, unclosedBlockMessage(block.kind)});
        }
    };

    switch (classify(word)) {
    case Word::If:
        open(Kind::If, first, state);
        break;
    case Word::For:
        open(Kind::For, first, state);
        break;
    case Word::Func:
        open(Kind::Func, first, state);
        break;
    case Word::Else:
        close(Kind::If, first, first.length, state, problems, true);
        break;
    case Word::End: {
        const QStringView next =
            second && QpileLineTokens::isWord(*second) ? m_tokens.loweredText(*second) : u"";
        const int both = second ? second->end() - first.pos : first.length;
        Kind kind = Kind::If;
        bool twoWords = true;
        if (next == u"if")
            kind = Kind::If;
        else if (next == u"for")
            kind = Kind::For;
        else if (next == u"func")
            kind = Kind::Func;
        else
            twoWords = false;
        if (twoWords) {
            // Exactly one blank between the words.
            if (second->pos == first.end() + 1 && m_tokens.text()[first.end()] == u' ')
                close(kind, first, both, state, problems);
            else
                misspelled(kind, both);
        } else if (next == u"program") {
            misspelled(Kind::Program, both);
        } else if (next == u"portfolio_ex") {
            state.sawPortfolioEnd = true;
            misspelled(Kind::PortfolioEx, both);
        } else if (next == u"portfolio") {
            state.sawPortfolioEnd = true;
            misspelled(Kind::Portfolio, both);
        } else if (!state.blocks.empty() && rank(state.blocks.back().kind) <= 1) {
            // A bare END inside IF, FOR or FUNC was meant to close that block.
            misspelled(state.blocks.back().kind, first.length);
        } else {
            close(Kind::Parameter, first, first.length, state, problems);
        }
        break;
    }
    case Word::MisspelledEndIf:
        misspelled(Kind::If, first.length);
        break;
    case Word::MisspelledEndFor:
        misspelled(Kind::For, first.length);
        break;
    case Word::MisspelledEndFunc:
        misspelled(Kind::Func, first.length);
        break;
    case Word::Program:
        unwindToPortfolio();
        open(Kind::Program, first, state);
        break;
    case Word::EndProgram:
        close(Kind::Program, first, first.length, state, problems);
        break;
    case Word::Parameter:
        unwindToPortfolio();
        open(Kind::Parameter, first, state);
        requireSemicolon(first, problems);
        break;
    case Word::PortfolioEx:
    case Word::Portfolio: {
        const Kind kind = classify(word) == Word::Portfolio ? Kind::Portfolio : Kind::PortfolioEx;
        while (!state.blocks.empty()) {
            const QpileCheckState::OpenBlock block = state.blocks.back();
            state.blocks.pop_back();
            problems.push_back({QpileProblemKind::UnclosedBlock, block.line, block.column,
                                block.length, unclosedBlockMessage(block.kind)});
        }
        if (kind == Kind::Portfolio)
            state.sawLegacyPortfolio = true;
        open(kind, first, state);
        requireSemicolon(first, problems);
        break;
    }
    case Word::EndPortfolioEx:
        state.sawPortfolioEnd = true;
        close(Kind::PortfolioEx, first, first.length, state, problems);
        break;
    case Word::EndPortfolio:
        state.sawPortfolioEnd = true;
        close(Kind::Portfolio, first, first.length, state, problems);
        break;
    case Word::HeaderLine:
        if (std::none_of(
                state.blocks.begin(), state.blocks.end(),
                [](const QpileCheckState::OpenBlock &block) { return isCode(block.kind); }))
            requireSemicolon(first, problems);
        break;
    case Word::None:
        break;
    }

    // A statement that is only a call of a function returning a changed copy loses it.
    if (second && m_tokens.isChar(*second, u'(')) {
        const QpileFunction *function = m_reference.functionLowerCase(word);
        if (function && function->resultMustBeKept) {
            QString message = QStringLiteral("Результат %1 теряется: ").arg(function->name);
            const QpileToken *argument = count > 3 ? &m_tokens.significantAt(2) : nullptr;
            if (argument && argument->kind == TtkTokenKind::tkIdentifier &&
                m_tokens.isChar(m_tokens.significantAt(3), u',')) {
                const QString name = m_tokens.textOf(*argument).toString();
                message += QStringLiteral("пишите %1 = %2(%1, …)")
                               .arg(name, m_tokens.textOf(first).toString());
            } else {
                message += QStringLiteral("присвойте его переменной");
            }
            add(problems, QpileProblemKind::ResultNotKept, first.pos + 1, first.length, message);
        }
    }
}

void QpileStructureChecker::checkCalls(int firstSignificant, int endSignificant,
                                       QpileCheckState &state, std::vector<QpileProblem> &problems)
{
    const QStringView lowered = m_tokens.lowered();
    const auto markArgument = [&state] {
        if (!state.calls.empty())
            state.calls.back().hasArgument = true;
    };
    for (int i = firstSignificant; i < endSignificant; ++i) {
        const QpileToken &token = m_tokens.significantAt(i);
        if (token.kind == TtkTokenKind::tkString) {
            if (token.length < 2 || lowered[token.end() - 1] != u'"')
                add(problems, QpileProblemKind::UnterminatedString, token.pos + 1, token.length,
                    QStringLiteral("Строка не закрыта: нет второй кавычки \""));
            markArgument();
            continue;
        }
        if (token.kind != TtkTokenKind::tkUnknown || token.length != 1) {
            markArgument();
            continue;
        }
        switch (lowered[token.pos].unicode()) {
        case u'(': {
            markArgument();
            QpileCheckState::OpenCall call;
            call.line = m_line;
            if (i > firstSignificant) {
                const QpileToken &name = m_tokens.significantAt(i - 1);
                if (QpileLineTokens::isWord(name)) {
                    call.column = name.pos + 1;
                    call.length = name.length;
                    const QpileFunction *function =
                        m_reference.functionLowerCase(m_tokens.loweredText(name));
                    if (function && function->argumentCountKnown())
                        call.function = int(function - m_reference.functions().constData());
                }
            }
            state.calls.push_back(call);
            break;
        }
        case u')': {
            if (state.calls.empty())
                break;
            const QpileCheckState::OpenCall call = state.calls.back();
            state.calls.pop_back();
            markArgument();
            if (call.function < 0)
                break;
            const QpileFunction &function = m_reference.functions()[call.function];
            const int arguments = call.commas > 0 ? call.commas + 1 : (call.hasArgument ? 1 : 0);
            if (arguments < function.minArguments() || arguments > function.maxArguments())
                problems.push_back({QpileProblemKind::WrongArgumentCount, call.line, call.column,
                                    call.length,
                                    QStringLiteral("%1: нужно аргументов: %2, передано: %3")
                                        .arg(function.name, argumentRange(function))
                                        .arg(arguments)});
            break;
        }
        case u',':
            if (!state.calls.empty())
                ++state.calls.back().commas;
            break;
        default:
            markArgument();
            break;
        }
    }
}

void QpileStructureChecker::open(QpileBlockKind kind, const QpileToken &token,
                                 QpileCheckState &state)
{
    state.blocks.push_back({kind, m_line, token.pos + 1, token.length});
}

bool QpileStructureChecker::canClose(QpileBlockKind kind, const QpileCheckState &state)
{
    for (auto block = state.blocks.rbegin(); block != state.blocks.rend(); ++block) {
        if (block->kind == kind)
            return true;
        if (rank(block->kind) > rank(kind))
            return false;
    }
    return false;
}

void QpileStructureChecker::close(QpileBlockKind kind, const QpileToken &token, int length,
                                  QpileCheckState &state, std::vector<QpileProblem> &problems,
                                  bool middle)
{
    auto found = state.blocks.rbegin();
    for (; found != state.blocks.rend(); ++found) {
        if (found->kind == kind || rank(found->kind) > rank(kind))
            break;
    }
    if (found == state.blocks.rend() || found->kind != kind) {
        add(problems, QpileProblemKind::CloseWithoutOpen, token.pos + 1, length,
            QStringLiteral("%1 без %2")
                .arg(middle ? QStringLiteral("ELSE") : closeText(kind), openText(kind)));
        return;
    }
    // Blocks opened inside the one closed here were left open.
    const std::size_t at = std::size_t(state.blocks.rend() - found) - 1;
    for (std::size_t i = state.blocks.size(); i-- > at + 1;) {
        const QpileCheckState::OpenBlock &block = state.blocks[i];
        problems.push_back({QpileProblemKind::UnclosedBlock, block.line, block.column, block.length,
                            unclosedBlockMessage(block.kind)});
    }
    state.blocks.resize(middle ? at + 1 : at);
}

void QpileStructureChecker::requireSemicolon(const QpileToken &keyword,
                                             std::vector<QpileProblem> &problems)
{
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
    for (const QpileCheckState::OpenBlock &block : state.blocks) {
        if (!isPortfolio(block.kind))
            problems.push_back({QpileProblemKind::UnclosedBlock, block.line, block.column,
                                block.length, unclosedBlockMessage(block.kind)});
    }
    if (state.sawText && !state.sawPortfolioEnd) {
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

} // namespace bp
