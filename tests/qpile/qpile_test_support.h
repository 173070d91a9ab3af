#pragma once

#include "qpile/qpile_reference.h"
#include "qpile/structure_check.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace bp::testing {

// The reference shipped in data/, loaded once.
const QpileReference &shippedReference();
// Test files in tests/qpile/data.
QString qpileTestFile(const QString &name);

// Problems as a text picture: each text line, then one line per problem on it: blanks up
// to its column, one "^" per character it covers ("~" for a hint), a blank and its message.
//
//     IF a > 1
//     ^^ Блок IF не закрыт: нет END IF
//
// Lines made only of blanks and "^" (or "~") followed by a message are annotations of the text line
// above them; every other line is text.
struct ProblemPicture
{
    QStringList text;
    std::vector<QpileProblem> problems;
};
ProblemPicture parseProblemPicture(const QStringList &picture);
QString drawProblemPicture(const QStringList &text, const std::vector<QpileProblem> &problems);

} // namespace bp::testing
