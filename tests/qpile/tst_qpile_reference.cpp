#include "aids/completion_words.h"
#include "aids/library_file.h"
#include "common/error.h"
#include "qpile/qpile_reference.h"
#include "qpile_test_support.h"
#include "test_runner.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using bp::testing::shippedReference;

namespace {

// The function name at the start of a library node or completion word ("GET_ITEM (…)").
QString functionName(const QString &text)
{
    QString name = text.trimmed();
    const qsizetype end = name.indexOf(QRegularExpression(u"[ (]"_s));
    return end < 0 ? name : name.left(end);
}

void collectLeaves(const bp::LibraryForest &nodes, QStringList &out)
{
    for (const bp::LibraryNode &node : nodes) {
        if (node.children.isEmpty())
            out.append(functionName(node.text));
        collectLeaves(node.children, out);
    }
}

QByteArray shippedBytes()
{
    QFile file(QStringLiteral(BP_SOURCE_DIR "/data/reference.json"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read the shipped reference");
    return file.readAll();
}

// The shipped reference with one change made by `edit`.
QByteArray edited(const std::function<void(QJsonObject &)> &edit)
{
    QJsonObject root = QJsonDocument::fromJson(shippedBytes()).object();
    edit(root);
    return QJsonDocument(root).toJson();
}

void editFunction(QJsonObject &root, int index, const std::function<void(QJsonObject &)> &edit)
{
    QJsonArray functions = root[u"functions"].toArray();
    QJsonObject function = functions[index].toObject();
    edit(function);
    functions[index] = function;
    root[u"functions"] = functions;
}

QString failureOf(const QByteArray &json)
{
    try {
        bp::QpileReference::fromJson(json, u"/opt/x/reference.json"_s);
    } catch (const bp::Error &error) {
        return error.message();
    }
    return u"(loaded)"_s;
}

} // namespace

class TestQpileReference : public QObject
{
    Q_OBJECT

private slots:
    void shippedReferenceLoads();
    void everyLibraryAndCompletionFunctionHasAnEntry();
    void malformed_data();
    void malformed();
    void unreadableFiles();
    void copiedBesideTheProgram();
    void longNamesAreFound();
};

void TestQpileReference::shippedReferenceLoads()
{
    const bp::QpileReference &reference = shippedReference();
    QCOMPARE(reference.functions().size(), 84);
    QCOMPARE(reference.blocks().size(), 7);
    QCOMPARE(reference.pitfalls().size(), 19);

    const bp::QpileFunction *param = reference.function(u"Get_Param_Ex");
    QVERIFY(param);
    QCOMPARE(param->name, u"GET_PARAM_EX"_s);
    QCOMPARE(param->params.size(), 3);
    QCOMPARE(param->params[2].name, u"param_name"_s);
    QCOMPARE(param->returns.type, u"MAP"_s);
    QVERIFY(param->returns.keys.contains(u"PARAM_VALUE"_s));
    QVERIFY(!param->summary.isEmpty());
    QVERIFY(!param->example.isEmpty());
    QCOMPARE(reference.functionLowerCase(u"get_param_ex"), param);
    QCOMPARE(reference.function(u"GET_PARAM_EXX"), nullptr);

    const bp::QpileFunction *map = reference.function(u"CREATE_MAP");
    QCOMPARE(map->minArguments(), 0);
    QCOMPARE(map->maxArguments(), 1);
    QCOMPARE(map->overloads.size(), 2);
    QCOMPARE(reference.function(u"MESSAGE")->params[1].values[2].value, u"3"_s);
    QCOMPARE(reference.function(u"SEND_TRANSACTION")->params[1].keysAreExamples, true);
    QCOMPARE(reference.function(u"GET_CANDLE_EX")->returns.itemKeys.value(u"LINES"_s).size(), 6);
    QVERIFY(!reference.function(u"MONEY_LIMIT_LOCKED_NONMARGINAL_VALUE")->argumentCountKnown());
    QVERIFY(reference.function(u"READ_LINE")->argumentCountKnown());

    QStringList mustKeep;
    for (const bp::QpileFunction &function : reference.functions()) {
        if (function.resultMustBeKept)
            mustKeep.append(function.name);
    }
    mustKeep.sort();
    QCOMPARE(mustKeep, (QStringList{u"INSERT_COLLECTION_ITEM"_s, u"REMOVE_COLLECTION_ITEM"_s,
                                    u"SET_COLLECTION_ITEM"_s, u"SET_VALUE"_s}));

    QCOMPARE(reference.blocks()[0].close, u"END IF"_s);
    QVERIFY(reference.blocks()[0].undocumentedCloses.contains(u"END_IF"_s));
    QVERIFY(reference.header().required.contains(u"PORTFOLIO_EX"_s));
    QCOMPARE(reference.header().lineContinuation, u" _"_s);
    QCOMPARE(reference.function(u"GET_ITEM")->returns.keysRef, u"tables"_s);
    QVERIFY(reference.table(u"orders")->keys.contains(u"SECCODE"_s));
}

void TestQpileReference::everyLibraryAndCompletionFunctionHasAnEntry()
{
    QStringList names;
    collectLeaves(bp::readLibraryFile(QStringLiteral(BP_SOURCE_DIR "/data/library.txt")).nodes,
                  names);
    QCOMPARE(names.size(), 85);
    for (const QString &word :
         bp::readCompletionFile(QStringLiteral(BP_SOURCE_DIR "/data/func.txt")))
        names.append(functionName(word));
    QStringList missing;
    for (const QString &name : std::as_const(names)) {
        if (!shippedReference().function(name))
            missing.append(name);
    }
    QCOMPARE(missing, QStringList());
}

void TestQpileReference::malformed_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("reason");

    QTest::newRow("not JSON") << QByteArray("{\n  \"version\": 1,\n  \"language\" \"QPILE\"\n}")
                              << u"ошибка в записи JSON (строка 3, позиция 15)"_s;
    QTest::newRow("cut short") << shippedBytes().left(1000)
                               << u"ошибка в записи JSON (строка 26, позиция 25)"_s;
    QTest::newRow("a list instead of an object")
        << QByteArray("[1, 2]") << u"ожидался объект JSON"_s;
    QTest::newRow("another format version")
        << edited([](QJsonObject &root) { root[u"version"] = 2; })
        << u"неизвестная версия формата (ожидалась 1)"_s;
    QTest::newRow("another language")
        << edited([](QJsonObject &root) { root[u"language"] = u"Lua"_s; })
        << u"это справочник не языка QPILE"_s;
    QTest::newRow("no functions") << edited([](QJsonObject &root) { root.remove(u"functions"); })
                                  << u"справочник: поле «functions» должно быть списком"_s;
    QTest::newRow("a function without a name") << edited([](QJsonObject &root) {
        editFunction(root, 4, [](QJsonObject &function) { function.remove(u"name"); });
    }) << u"функция №5: поле «name» должно быть непустой строкой"_s;
    QTest::newRow("a name that is no identifier") << edited([](QJsonObject &root) {
        editFunction(root, 0, [](QJsonObject &f) { f[u"name"] = u"NEW GLOBAL"_s; });
    }) << u"функция NEW GLOBAL: имя не является идентификатором"_s;
    QTest::newRow("a parameter without a type") << edited([](QJsonObject &root) {
        editFunction(root, 1, [](QJsonObject &function) {
            QJsonArray params = function[u"params"].toArray();
            QJsonObject second = params[1].toObject();
            second.remove(u"type");
            params[1] = second;
            function[u"params"] = params;
        });
    }) << u"функция MESSAGE, параметр №2: поле «type» должно быть непустой строкой"_s;
    QTest::newRow("a flag that is no boolean") << edited([](QJsonObject &root) {
        editFunction(root, 2, [](QJsonObject &f) { f[u"unsure"] = u"yes"_s; });
    }) << u"функция ABS: поле «unsure» должно быть true или false"_s;
    QTest::newRow("a function described twice") << edited([](QJsonObject &root) {
        editFunction(root, 3, [](QJsonObject &f) { f[u"name"] = u"abs"_s; });
    }) << u"функция ABS описана дважды"_s;
    QTest::newRow("item keys that are no list") << edited([](QJsonObject &root) {
        QJsonArray functions = root[u"functions"].toArray();
        for (qsizetype i = 0; i < functions.size(); ++i) {
            QJsonObject function = functions[i].toObject();
            if (function[u"name"] != u"GET_CANDLE_EX"_s)
                continue;
            QJsonObject returns = function[u"returns"].toObject();
            returns[u"item_keys"] = QJsonObject{{u"LINES"_s, u"NAME"_s}};
            function[u"returns"] = returns;
            functions[i] = function;
        }
        root[u"functions"] = functions;
    }) << u"функция GET_CANDLE_EX, returns: ключи «LINES» в «item_keys» должны быть списком"_s;
    QTest::newRow("a table without keys") << edited([](QJsonObject &root) {
        QJsonArray tables = root[u"tables"].toArray();
        QJsonObject first = tables[0].toObject();
        first[u"keys"] = u"NUMBER"_s;
        tables[0] = first;
        root[u"tables"] = tables;
    }) << u"таблица №1: поле «keys» должно быть списком"_s;
    QTest::newRow("no header") << edited([](QJsonObject &root) { root.remove(u"header"); })
                               << u"справочник: поле «header» должно быть объектом"_s;
}

void TestQpileReference::malformed()
{
    // One message names the file and the fault, and says what is switched off.
    QFETCH(QByteArray, json);
    QFETCH(QString, reason);
    QCOMPARE(failureOf(json), u"Справочник языка QPILE «reference.json» не загружен: "_s + reason +
                                  u". Подсказки по функциям и проверка текста отключены."_s);
}

void TestQpileReference::unreadableFiles()
{
    QTemporaryDir dir;
    const QString prefix = u"Справочник языка QPILE «reference.json» не загружен: "_s;
    const auto failure = [](const QString &path) {
        try {
            bp::QpileReference::load(path);
        } catch (const bp::Error &error) {
            return error.message();
        }
        return u"(loaded)"_s;
    };
    const QString missing = dir.filePath(u"reference.json"_s);
    QVERIFY(failure(missing).startsWith(prefix + u"файл не найден."_s));
    QVERIFY(QDir(dir.path()).mkdir(u"folder"_s));
    const QString folder = dir.filePath(u"folder/reference.json"_s);
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(failure(folder).startsWith(prefix + u"это не файл."_s));

    // A byte-order mark in front is accepted.
    QFile withMark(missing);
    QVERIFY(withMark.open(QIODevice::WriteOnly));
    withMark.write("\xEF\xBB\xBF" + shippedBytes());
    withMark.close();
    QCOMPARE(bp::QpileReference::load(missing).functions().size(), 84);
}

void TestQpileReference::copiedBesideTheProgram()
{
    QFile copy(QStringLiteral(BP_BINARY_DIR "/reference.json"));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), shippedBytes());
}

// A function name longer than any in the shipped reference is found like any other.
void TestQpileReference::longNamesAreFound()
{
    const QString name = u"ME"_s + QString(90, u'8') + u"SSAGE"_s;
    const bp::QpileReference reference = bp::QpileReference::fromJson(
        edited([&](QJsonObject &root) {
            editFunction(root, 0, [&](QJsonObject &function) { function[u"name"] = name; });
        }),
        u"reference.json"_s);
    const bp::QpileFunction *found = reference.function(name.toLower());
    QVERIFY(found);
    QCOMPARE(found->name, name);
    QCOMPARE(reference.function(name), found);
    QCOMPARE(reference.function(QString(name).replace(u'8', u'9')), nullptr);
}

BP_TEST(TestQpileReference)

#include "tst_qpile_reference.moc"
