#include "qpile_reference.h"

#include "common/error.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>

#include <algorithm>

namespace bp {
namespace {

// Far above the real file (under 200 KB); keeps a wrong file from filling memory.
constexpr qint64 kMaxReferenceBytes = qint64{16} * 1024 * 1024;

// A fault in the file's content, with the place it was found ("функция GET_ITEM: …").
struct Malformed
{
    QString what;
};

[[noreturn]] void malformed(const QString &what)
{
    throw Malformed{what};
}

QString failureMessage(const QString &source, const QString &reason)
{
    return QStringLiteral("Справочник языка QPILE «%1» не загружен: %2. Подсказки по функциям "
                          "и проверка текста отключены.")
        .arg(QFileInfo(source).fileName().isEmpty() ? source : QFileInfo(source).fileName(),
             reason);
}

// Reads the fields of one JSON object; `where` names it in messages.
class Fields
{
public:
    Fields(const QJsonObject &object, QString where) : m_object(object), m_where(std::move(where))
    {}

    QString text(const char *key, bool required = true) const
    {
        const QJsonValue value = m_object.value(QLatin1StringView(key));
        if (value.isUndefined() && !required)
            return QString();
        if (!value.isString() || (required && value.toString().trimmed().isEmpty()))
            malformed(QStringLiteral("%1: поле «%2» должно быть непустой строкой")
                          .arg(m_where, QLatin1StringView(key)));
        return value.toString();
    }
    bool flag(const char *key) const
    {
        const QJsonValue value = m_object.value(QLatin1StringView(key));
        if (value.isUndefined())
            return false;
        if (!value.isBool())
            malformed(QStringLiteral("%1: поле «%2» должно быть true или false")
                          .arg(m_where, QLatin1StringView(key)));
        return value.toBool();
    }
    QJsonArray array(const char *key, bool required = true) const
    {
        const QJsonValue value = m_object.value(QLatin1StringView(key));
        if (value.isUndefined() && !required)
            return QJsonArray();
        if (!value.isArray())
            malformed(QStringLiteral("%1: поле «%2» должно быть списком")
                          .arg(m_where, QLatin1StringView(key)));
        return value.toArray();
    }
    QJsonObject object(const char *key, bool required = true) const
    {
        const QJsonValue value = m_object.value(QLatin1StringView(key));
        if (value.isUndefined() && !required)
            return QJsonObject();
        if (!value.isObject())
            malformed(QStringLiteral("%1: поле «%2» должно быть объектом")
                          .arg(m_where, QLatin1StringView(key)));
        return value.toObject();
    }
    QStringList texts(const char *key) const
    {
        QStringList out;
        for (const QJsonValue item : array(key, false)) {
            if (!item.isString())
                malformed(QStringLiteral("%1: в списке «%2» должны быть только строки")
                              .arg(m_where, QLatin1StringView(key)));
            out.append(item.toString());
        }
        return out;
    }
    const QString &where() const { return m_where; }

private:
    QJsonObject m_object;
    QString m_where;
};

QJsonObject objectAt(const QJsonValue &value, const QString &where)
{
    if (!value.isObject())
        malformed(QStringLiteral("%1: ожидался объект").arg(where));
    return value.toObject();
}

QString valueText(const QJsonValue &value)
{
    if (value.isDouble())
        return QString::number(value.toDouble());
    return value.toString();
}

QpileParameter readParameter(const QJsonValue &value, const QString &where)
{
    const Fields fields(objectAt(value, where), where);
    QpileParameter parameter;
    parameter.name = fields.text("name");
    parameter.type = fields.text("type");
    parameter.note = fields.text("note_ru", false);
    parameter.optional = fields.flag("optional");
    for (const QJsonValue item : fields.array("values", false)) {
        if (item.isObject()) {
            const QJsonObject entry = item.toObject();
            parameter.values.append(
                {valueText(entry.value(u"value")), entry.value(u"ru").toString()});
        } else if (item.isString() || item.isDouble()) {
            parameter.values.append({valueText(item), QString()});
        } else {
            malformed(QStringLiteral("%1: неверное значение в списке «values»").arg(where));
        }
    }
    parameter.keys = fields.texts("keys");
    if (parameter.keys.isEmpty()) {
        parameter.keys = fields.texts("keys_example");
        parameter.keysAreExamples = !parameter.keys.isEmpty();
    }
    return parameter;
}

QpileReturn readReturn(const Fields &function)
{
    const Fields fields(function.object("returns"), function.where() + QStringLiteral(", returns"));
    QpileReturn result;
    result.type = fields.text("type");
    result.note = fields.text("note_ru", false);
    result.keys = fields.texts("keys");
    result.keysRef = fields.text("keys_ref", false);
    const QJsonObject items = fields.object("item_keys", false);
    for (auto it = items.begin(); it != items.end(); ++it) {
        if (!it.value().isArray())
            malformed(QStringLiteral("%1: ключи «%2» в «item_keys» должны быть списком")
                          .arg(fields.where(), it.key()));
        QStringList keys;
        for (const QJsonValue key : it.value().toArray()) {
            if (!key.isString())
                malformed(QStringLiteral("%1: ключи «%2» в «item_keys» должны быть строками")
                              .arg(fields.where(), it.key()));
            keys.append(key.toString());
        }
        result.itemKeys.insert(it.key(), keys);
    }
    return result;
}

QpileFunction readFunction(const QJsonValue &value, int number)
{
    const QString where = QStringLiteral("функция №%1").arg(number);
    const QJsonObject object = objectAt(value, where);
    QpileFunction function;
    function.name = Fields(object, where).text("name");
    const Fields fields(object, QStringLiteral("функция %1").arg(function.name));
    static const QRegularExpression namePattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!namePattern.match(function.name).hasMatch())
        malformed(QStringLiteral("%1: имя не является идентификатором").arg(fields.where()));
    function.name = function.name.toUpper();
    function.category = fields.text("category", false);
    function.signature = fields.text("signature");
    function.overloads = fields.texts("overloads");
    const QJsonArray params = fields.array("params");
    for (qsizetype i = 0; i < params.size(); ++i)
        function.params.append(readParameter(
            params[i], QStringLiteral("%1, параметр №%2").arg(fields.where()).arg(i + 1)));
    function.returns = readReturn(fields);
    function.summary = fields.text("summary_ru");
    function.pitfalls = fields.texts("pitfalls_ru");
    function.example = fields.text("example", false);
    function.legacy = fields.flag("legacy");
    function.discontinued = fields.flag("discontinued");
    function.unsure = fields.flag("unsure");
    function.unsureFields = fields.texts("unsure_fields");
    function.unsureNote = fields.text("unsure_note_ru", false);
    return function;
}

QpileBlock readBlock(const QJsonValue &value, int number)
{
    const QString where = QStringLiteral("блок №%1").arg(number);
    const Fields fields(objectAt(value, where), where);
    QpileBlock block;
    block.open = fields.text("open");
    block.close = fields.text("close");
    block.middle = fields.texts("middle");
    block.note = fields.text("note_ru", false);
    block.legacy = fields.flag("legacy");
    const QJsonObject variants = fields.object("close_variants", false);
    block.undocumentedCloses = Fields(variants, where).texts("undocumented");
    return block;
}

QpileHeaderRules readHeader(const QJsonObject &root)
{
    const Fields fields(Fields(root, QStringLiteral("справочник")).object("header"),
                        QStringLiteral("заголовок (header)"));
    QpileHeaderRules header;
    header.required = fields.texts("required");
    header.requiredUnsure = fields.texts("required_unsure");
    header.optional = fields.texts("optional");
    header.endMarkers = fields.texts("end_marker");
    header.rule = fields.text("rule_ru", false);
    header.comment = fields.text("comment", false);
    header.lineContinuation = fields.text("line_continuation", false);
    const QJsonArray directives = fields.array("directives", false);
    for (qsizetype i = 0; i < directives.size(); ++i) {
        const QString where = QStringLiteral("заголовок, директива №%1").arg(i + 1);
        const Fields directive(objectAt(directives[i], where), where);
        header.directives.append({directive.text("word"), directive.text("form", false),
                                  directive.text("note_ru", false), directive.flag("required"),
                                  directive.flag("unsure"), directive.flag("legacy")});
    }
    return header;
}

QpilePitfall readPitfall(const QJsonValue &value, int number)
{
    const QString where = QStringLiteral("ловушка №%1").arg(number);
    const Fields fields(objectAt(value, where), where);
    return {fields.text("id"), fields.text("ru"), fields.text("detect", false),
            fields.flag("unsure")};
}

QpileTable readTable(const QJsonValue &value, int number)
{
    const QString where = QStringLiteral("таблица №%1").arg(number);
    const Fields fields(objectAt(value, where), where);
    return {fields.text("name"), fields.text("ru", false), fields.texts("keys"),
            fields.flag("unsure")};
}

// "строка 3, позиция 14" for a byte offset into the JSON text.
QString placeOf(const QByteArray &json, int offset)
{
    offset = std::clamp(offset, 0, int(json.size()));
    const QByteArray before = json.left(offset);
    const int line = int(before.count('\n')) + 1;
    const int column = int(QString::fromUtf8(before.mid(before.lastIndexOf('\n') + 1)).size()) + 1;
    return QStringLiteral("строка %1, позиция %2").arg(line).arg(column);
}

} // namespace

int QpileFunction::minArguments() const
{
    return int(std::count_if(params.begin(), params.end(),
                             [](const QpileParameter &parameter) { return !parameter.optional; }));
}

bool QpileFunction::argumentCountKnown() const
{
    return !unsure && !unsureFields.contains(QStringLiteral("signature")) &&
           !unsureFields.contains(QStringLiteral("params"));
}

QpileReference QpileReference::load(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        throw Error(failureMessage(path, QStringLiteral("файл не найден")));
    if (!QFileInfo(path).isFile())
        throw Error(failureMessage(path, QStringLiteral("это не файл")));
    if (file.size() > kMaxReferenceBytes)
        throw Error(failureMessage(path, QStringLiteral("файл слишком велик")));
    if (!file.open(QIODevice::ReadOnly))
        throw Error(
            failureMessage(path, QStringLiteral("файл не читается (%1)").arg(file.errorString())));
    const QByteArray bytes = file.read(kMaxReferenceBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw Error(
            failureMessage(path, QStringLiteral("файл не читается (%1)").arg(file.errorString())));
    return fromJson(bytes, path);
}

QpileReference QpileReference::fromJson(const QByteArray &json, const QString &source)
{
    QByteArray text = json;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        throw Error(failureMessage(
            source,
            QStringLiteral("ошибка в записи JSON (%1)").arg(placeOf(text, parseError.offset))));
    if (!document.isObject())
        throw Error(failureMessage(source, QStringLiteral("ожидался объект JSON")));
    const QJsonObject root = document.object();

    QpileReference reference;
    try {
        const Fields fields(root, QStringLiteral("справочник"));
        if (root.value(u"version").toInt(-1) != 1)
            malformed(QStringLiteral("неизвестная версия формата (ожидалась 1)"));
        if (fields.text("language") != QStringLiteral("QPILE"))
            malformed(QStringLiteral("это справочник не языка QPILE"));
        const QJsonArray functions = fields.array("functions");
        if (functions.isEmpty())
            malformed(QStringLiteral("список функций пуст"));
        for (qsizetype i = 0; i < functions.size(); ++i)
            reference.m_functions.append(readFunction(functions[i], int(i + 1)));
        const QJsonArray blocks = fields.array("blocks");
        for (qsizetype i = 0; i < blocks.size(); ++i)
            reference.m_blocks.append(readBlock(blocks[i], int(i + 1)));
        reference.m_header = readHeader(root);
        const QJsonArray pitfalls = fields.array("pitfalls");
        for (qsizetype i = 0; i < pitfalls.size(); ++i)
            reference.m_pitfalls.append(readPitfall(pitfalls[i], int(i + 1)));
        const QJsonArray tables = fields.array("tables", false);
        for (qsizetype i = 0; i < tables.size(); ++i)
            reference.m_tables.append(readTable(tables[i], int(i + 1)));
        for (const QJsonValue keyword : fields.array("keywords", false)) {
            const QString word = keyword.toObject().value(u"word").toString().toLower();
            if (!word.isEmpty())
                reference.m_keywords.append(word);
        }
        reference.m_keywords.sort();
        reference.index();
    } catch (const Malformed &fault) {
        throw Error(failureMessage(source, fault.what));
    }
    return reference;
}

void QpileReference::index()
{
    m_byLowerName.clear();
    for (int i = 0; i < m_functions.size(); ++i)
        m_byLowerName.emplace_back(m_functions[i].name.toLower(), i);
    std::sort(m_byLowerName.begin(), m_byLowerName.end());
    const auto twice = std::adjacent_find(
        m_byLowerName.begin(), m_byLowerName.end(),
        [](const auto &left, const auto &right) { return left.first == right.first; });
    if (twice != m_byLowerName.end())
        malformed(QStringLiteral("функция %1 описана дважды").arg(twice->first.toUpper()));

    // The names that pitfall's hint lists, in the reference's own words.
    if (const QpilePitfall *lost = pitfall(u"set-value-unassigned")) {
        static const QRegularExpression word(QStringLiteral("[A-Z][A-Z0-9_]+"));
        for (const QString &text : {lost->detect, lost->text}) {
            for (const QRegularExpressionMatch &match : word.globalMatch(text)) {
                if (const QpileFunction *found = function(match.capturedView()))
                    m_functions[found - m_functions.constData()].resultMustBeKept = true;
            }
        }
    }
}

const QpileFunction *QpileReference::function(QStringView name) const
{
    // Names of a script's length are lowered on the stack; a longer one is lowered as the
    // index was built.
    constexpr qsizetype kShortName = 64;
    if (name.size() > kShortName)
        return functionLowerCase(name.toString().toLower());
    char16_t lower[kShortName];
    for (qsizetype i = 0; i < name.size(); ++i)
        lower[i] = name[i].toLower().unicode();
    return functionLowerCase(QStringView(lower, name.size()));
}

const QpileFunction *QpileReference::functionLowerCase(QStringView lowerName) const
{
    const auto found = std::lower_bound(
        m_byLowerName.begin(), m_byLowerName.end(), lowerName,
        [](const std::pair<QString, int> &entry, QStringView name) { return entry.first < name; });
    if (found == m_byLowerName.end() || found->first != lowerName)
        return nullptr;
    return &m_functions[found->second];
}

QpileReference QpileReference::withFunctions(const QList<QpileFunction> &more) const
{
    QpileReference merged = *this;
    for (const QpileFunction &function : more) {
        if (!merged.function(function.name)) {
            merged.m_functions.append(function);
            merged.index();
        }
    }
    return merged;
}

bool QpileReference::isKeywordLowerCase(QStringView lowerName) const
{
    const auto found =
        std::lower_bound(m_keywords.begin(), m_keywords.end(), lowerName,
                         [](const QString &word, QStringView name) { return word < name; });
    return found != m_keywords.end() && *found == lowerName;
}

const QpileTable *QpileReference::table(QStringView name) const
{
    for (const QpileTable &entry : m_tables) {
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0)
            return &entry;
    }
    return nullptr;
}

const QpilePitfall *QpileReference::pitfall(QStringView id) const
{
    for (const QpilePitfall &entry : m_pitfalls) {
        if (entry.id == id)
            return &entry;
    }
    return nullptr;
}

} // namespace bp
