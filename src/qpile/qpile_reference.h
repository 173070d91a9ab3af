#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace bp {

// One allowed value of a parameter and what it means ("1" = "информация").
struct QpileValue
{
    QString value;
    QString note;
};

struct QpileParameter
{
    QString name;
    QString type;
    QString note;
    bool optional = false;
    QList<QpileValue> values;
    // Keys of a MAP argument: the full set, or (keysAreExamples) the usual ones.
    QStringList keys;
    bool keysAreExamples = false;
};

struct QpileReturn
{
    // STRING, DOUBLE, COLLECTION, MAP, ANY, or NONE for a procedure.
    QString type;
    QString note;
    // Keys of a returned MAP; for MAP items inside a returned collection, their keys by the
    // collection's key.
    QStringList keys;
    QMap<QString, QStringList> itemKeys;
    // Another part of the reference that lists the keys ("tables" for GET_ITEM's rows).
    QString keysRef;
};

struct QpileFunction
{
    QString name; // upper case
    QString category;
    QString signature;
    QStringList overloads;
    QList<QpileParameter> params;
    QpileReturn returns;
    QString summary;
    QStringList pitfalls;
    QString example;
    bool legacy = false;
    bool discontinued = false;
    // The signature itself is in doubt; unsureFields names finer doubts ("returns.type").
    bool unsure = false;
    QStringList unsureFields;
    QString unsureNote;
    // It returns a changed copy of its argument instead of changing it, so a call whose result
    // is not kept loses the change (the functions the pitfall "set-value-unassigned" names).
    bool resultMustBeKept = false;
    // A FUNC of the script itself: the 1-based line of its FUNC; 0 for a built-in.
    int scriptLine = 0;

    int minArguments() const;
    int maxArguments() const { return int(params.size()); }
    // Whether a call's argument count can be checked: the parameter list is not in doubt.
    bool argumentCountKnown() const;
};

// A block pair: "IF" … "END IF", with the close spellings no source shows.
struct QpileBlock
{
    QString open;
    QString close;
    QStringList middle;
    QStringList undocumentedCloses;
    QString note;
    bool legacy = false;
};

struct QpileDirective
{
    QString word;
    QString form;
    QString note;
    bool required = false;
    bool unsure = false;
    bool legacy = false;
};

struct QpileHeaderRules
{
    QStringList required;
    QStringList requiredUnsure;
    QStringList optional;
    QStringList endMarkers;
    QString rule;
    QString comment;
    QString lineContinuation;
    QList<QpileDirective> directives;
};

struct QpilePitfall
{
    QString id;
    QString text;
    // What a check could look for (English).
    QString detect;
    bool unsure = false;
};

// A table GET_ITEM and GET_NUMBER_OF accept ("ORDERS") and the keys of its row MAPs.
struct QpileTable
{
    QString name;
    QString note;
    QStringList keys;
    bool unsure = false;
};

// The language reference the aids are built on ("reference.json" beside the program): the
// built-in functions with their signatures and documentation, the block pairs, the header
// rules and the known pitfalls. Immutable once loaded, so threads may share it.
class QpileReference
{
public:
    // The file name the program looks for.
    static QString fileName() { return QStringLiteral("reference.json"); }

    // Reads and validates the file. Throws bp::Error with one Russian message naming the file
    // and what is wrong when it is missing, unreadable, not JSON or not a valid reference.
    static QpileReference load(const QString &path);
    // The same for bytes already read; `source` names them in the message.
    static QpileReference fromJson(const QByteArray &json, const QString &source);

    const QList<QpileFunction> &functions() const { return m_functions; }
    // This reference with `more` functions (the script's own FUNCs) added; a name the
    // reference already has keeps its entry.
    QpileReference withFunctions(const QList<QpileFunction> &more) const;
    // The function named `name` in any letter case; null when the reference has none. The
    // pointer stays valid while this reference lives.
    const QpileFunction *function(QStringView name) const;
    // The same for a name already in lower case (the highlighter's scanned text): no
    // allocation, for the checker's inner loop.
    const QpileFunction *functionLowerCase(QStringView lowerName) const;

    const QList<QpileBlock> &blocks() const { return m_blocks; }
    const QpileHeaderRules &header() const { return m_header; }
    const QList<QpilePitfall> &pitfalls() const { return m_pitfalls; }
    // The tables a returned row's keys refer to (QpileReturn::keysRef "tables").
    const QList<QpileTable> &tables() const { return m_tables; }
    // The table named `name` in any letter case; null when the reference has none.
    const QpileTable *table(QStringView name) const;
    const QpilePitfall *pitfall(QStringView id) const;
    // Whether `lowerName` (lower case) is a reserved word or special name of the language
    // (RESULT, ROWNAME, ALL_CLIENTS, …): never a variable nor a function of the script.
    bool isKeywordLowerCase(QStringView lowerName) const;

private:
    void index();

    QList<QpileFunction> m_functions;
    QList<QpileBlock> m_blocks;
    QpileHeaderRules m_header;
    QList<QpilePitfall> m_pitfalls;
    QList<QpileTable> m_tables;
    // Lower-case names, sorted, with the index of their function.
    std::vector<std::pair<QString, int>> m_byLowerName;
    // The keywords' words in lower case, sorted.
    QStringList m_keywords;
};

} // namespace bp
