#include "editor/model/editor_lines.h"
#include "highlight/qpile_highlighter.h"
#include "qpile/script_outline.h"
#include "qpile_test_support.h"
#include "test_runner.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// One entry per line: "line:column FUNC name title" or "line:column column name | title".
QStringList picture(const QList<bp::QpileOutlineEntry> &outline)
{
    QStringList out;
    for (const bp::QpileOutlineEntry &entry : outline) {
        const bool function = entry.kind == bp::QpileOutlineEntry::Kind::Function;
        out.append(u"%1:%2 %3 %4 | %5"_s.arg(entry.line)
                       .arg(entry.column)
                       .arg(function ? u"FUNC"_s : u"column"_s, entry.name, entry.title));
    }
    return out;
}

} // namespace

class TestScriptOutline : public QObject
{
    Q_OBJECT

private slots:
    void realisticScript();
    void edgeCases();
};

void TestScriptOutline::realisticScript()
{
    bp::TEditorLines lines;
    lines.LoadFromFile(bp::testing::qpileTestFile(u"portfolio.qpl"_s));
    bp::TQPILEHighlighter highlighter;
    QCOMPARE(picture(bp::buildOutline(lines, highlighter)),
             (QStringList{
                 u"13:6 FUNC Spread | (bid, offer)"_s,
                 u"22:6 FUNC Side | (operation)"_s,
                 u"30:6 FUNC RowColor | (spread_value)"_s,
                 u"73:11 column CLIENT | Клиент"_s,
                 u"79:11 column SECCODE | Бумага"_s,
                 u"85:11 column SIDE | Операция"_s,
                 u"91:11 column PRICE | Цена"_s,
                 u"97:11 column QTY | Остаток"_s,
                 u"103:11 column SPREAD | Спред"_s,
                 u"109:11 column NOTE | Примечание"_s,
             }));
}

void TestScriptOutline::edgeCases()
{
    // Words in comments, strings and continued lines are no entries; a title outside its
    // block belongs to no column; letter case and blanks are as the user wrote them.
    bp::TEditorLines lines;
    for (const QString &line : {
             u"' FUNC Hidden()"_s,
             u"s = \"FUNC Quoted()\""_s,
             u"x = 1 + _"_s,
             u"FUNC NotAStatement()"_s,
             u"  func  lower_case (a) ' вычисление"_s,
             u"end func"_s,
             u"PARAMETER   Wide ;"_s,
             u"END"_s,
             u"PARAMETER_TITLE Ничей;"_s,
             u"Parameter Last; ' без заголовка"_s,
             u"PARAMETER_TITLE  Последний  ' без точки с запятой"_s,
         })
        lines.Add(line);
    bp::TQPILEHighlighter highlighter;
    QCOMPARE(picture(bp::buildOutline(lines, highlighter)),
             (QStringList{u"5:9 FUNC lower_case | (a)"_s, u"7:13 column Wide | "_s,
                          u"10:11 column Last | Последний"_s}));
}

BP_TEST(TestScriptOutline)
#include "tst_script_outline.moc"
