#include "qpile_test_support.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace bp::testing {

const QpileReference &shippedReference()
{
    static const QpileReference reference =
        QpileReference::load(QStringLiteral(BP_SOURCE_DIR "/data/reference.json"));
    return reference;
}

QString qpileTestFile(const QString &name)
{
    return QStringLiteral(BP_SOURCE_DIR "/tests/qpile/data/") + name;
}

ProblemPicture parseProblemPicture(const QStringList &picture)
{
    static const QRegularExpression annotation(u"^( *)(\\^+|~+) (.+)$"_s);
    ProblemPicture parsed;
    for (const QString &line : picture) {
        const QRegularExpressionMatch match = annotation.match(line);
        if (match.hasMatch() && !parsed.text.isEmpty()) {
            // The kind is not drawn; the message names it.
            parsed.problems.push_back(
                {QpileProblemKind::UnclosedBlock, int(parsed.text.size()),
                 int(match.capturedLength(1)) + 1, int(match.capturedLength(2)), match.captured(3),
                 match.captured(2).startsWith(u'~') ? QpileSeverity::Hint : QpileSeverity::Error});
        } else {
            parsed.text.append(line);
        }
    }
    return parsed;
}

QString drawProblemPicture(const QStringList &text, const std::vector<QpileProblem> &problems)
{
    QStringList out;
    for (int line = 1; line <= text.size(); ++line) {
        out.append(text[line - 1]);
        std::vector<QpileProblem> here;
        for (const QpileProblem &problem : problems) {
            if (problem.line == line)
                here.push_back(problem);
        }
        sortProblems(here);
        for (const QpileProblem &problem : here)
            out.append(QString(problem.column - 1, u' ') +
                       (problem.length > 0
                            ? QString(problem.length,
                                      problem.severity == QpileSeverity::Hint ? u'~' : u'^')
                            : u"(length 0)"_s) +
                       u' ' + problem.message);
    }
    for (const QpileProblem &problem : problems) {
        if (problem.line < 1 || problem.line > text.size())
            out.append(u"line %1 outside the text: %2"_s.arg(problem.line).arg(problem.message));
    }
    return out.join(u'\n');
}

} // namespace bp::testing
