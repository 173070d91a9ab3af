// The language reference loader. The input is a whole "reference.json". Properties:
// - loading either refuses the file with one message naming it, or gives a reference in
//   which every function and table is found by its name in any letter case, and no function
//   takes fewer arguments at least than it takes at most;
// - the structure check built on a reference it gives runs over a script touching every
//   construct without failing, and finds the same again on a second run.

#include "fuzz_support.h"

#include "common/error.h"
#include "qpile/qpile_reference.h"
#include "qpile/structure_check.h"

using namespace bp;
using bp::fuzz::printable;

namespace {

const QString kSource = QStringLiteral("fuzz.json");

const QStringList &script()
{
    static const QStringList lines{
        QStringLiteral("PORTFOLIO_EX x;"),
        QStringLiteral("DESCRIPTION d;"),
        QStringLiteral("PROGRAM"),
        QStringLiteral("FUNC F(a, b)"),
        QStringLiteral("  IF a == 1"),
        QStringLiteral("    m = SET_VALUE(m, \"A\", GET_VALUE(m, \"B\"))"),
        QStringLiteral("  ELSE"),
        QStringLiteral("    SET_VALUE(m, \"A\", 1)"),
        QStringLiteral("  END IF"),
        QStringLiteral("  FOR i FROM 1 TO GET_NUMBER_OF(\"ORDERS\")"),
        QStringLiteral("    MESSAGE(\"x\", 1, 2, 3) ' comment"),
        QStringLiteral("  END FOR"),
        QStringLiteral("END FUNC"),
        QStringLiteral("x = LEN(_"),
        QStringLiteral("  \"abc\")"),
        QStringLiteral("END_IF"),
        QStringLiteral("END_PROGRAM"),
        QStringLiteral("PARAMETER p;"),
        QStringLiteral("END"),
        QStringLiteral("END_PORTFOLIO_EX")};
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    std::optional<QpileReference> loaded;
    try {
        loaded = QpileReference::fromJson(bytes, kSource);
    } catch (const Error &error) {
        FUZZ_CHECK(error.message().contains(kSource), printable(error.message()));
        // BP_FUZZ_TRACE=1 tells why an input was refused (a seed that should load, say).
        if (qEnvironmentVariableIsSet("BP_FUZZ_TRACE"))
            std::fprintf(stderr, "%s\n", error.message().toLocal8Bit().constData());
        return 0;
    }
    const QpileReference &reference = *loaded;
    for (const QpileFunction &function : reference.functions()) {
        const QpileFunction *found = reference.function(function.name.toLower());
        FUZZ_CHECK(found && found->name.compare(function.name, Qt::CaseInsensitive) == 0,
                   printable(function.name));
        FUZZ_CHECK(reference.functionLowerCase(function.name.toLower()) == found,
                   printable(function.name));
        FUZZ_CHECK(function.minArguments() >= 0 &&
                       function.minArguments() <= function.maxArguments(),
                   printable(function.name));
    }
    for (const QpileTable &table : reference.tables()) {
        const QpileTable *found = reference.table(table.name.toUpper());
        FUZZ_CHECK(found && found->name.compare(table.name, Qt::CaseInsensitive) == 0,
                   printable(table.name));
    }
    QpileStructureChecker checker(reference);
    const std::vector<QpileProblem> first = checker.checkAll(script());
    FUZZ_CHECK(checker.checkAll(script()) == first, QString());
    for (const QpileProblem &problem : first)
        FUZZ_CHECK(problem.line >= 1 && problem.line <= script().size() && problem.length >= 1 &&
                       !problem.message.isEmpty(),
                   printable(problem.message));
    return 0;
}
