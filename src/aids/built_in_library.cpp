#include "built_in_library.h"

#include <QStringList>

namespace bp {

using namespace Qt::StringLiterals;

namespace {

struct Category
{
    QString name;
    QStringList functions;
};

} // namespace

// Each text is what a double click inserts, so it stays exactly as shipped (blanks at the end
// and the double blank in SET_VALUE included), but for the plain errors the language reference
// corrects: FIND's sub is a STRING, SHORT_VALUE and LONG_VALUE have the comma after seccode,
// CREATE_COLLECTION shows its empty form too and SET_ROW_COLOR(_EX) their full parameter
// names. data/library.txt holds the same tree with the functions it lacks added; a test keeps
// the two in step.
LibraryForest builtInLibrary()
{
    static const QList<Category> categories{
        {u"Общие"_s,
         {
             u"NEW_GLOBAL (STRING Name, ANY InitValue)"_s,
             u"MESSAGE (STRING Text, DOUBLE Msg_type)"_s,
         }},
        {u"Математические"_s,
         {
             u"ACOS (DOUBLE Value)"_s,
             u"ASIN (DOUBLE Value)"_s,
             u"ATAN (DOUBLE Value)"_s,
             u"CEIL (DOUBLE Value)"_s,
             u"COS (DOUBLE Value)"_s,
             u"EXP (DOUBLE Value)"_s,
             u"FLOOR (DOUBLE Value)"_s,
             u"LOG (DOUBLE Value)"_s,
             u"POW (DOUBLE Value, DOUBLE Power)"_s,
             u"RAND ()"_s,
             u"SIN (DOUBLE Value)"_s,
             u"SQRT (DOUBLE Value)"_s,
             u"TAN (DOUBLE Value)"_s,
         }},
        {u"Для работы с коллекциями объектов "_s,
         {
             u"CREATE_COLLECTION ()"_s,
             u"CREATE_COLLECTION (COLLECTION IntValue)"_s,
             u"GET_COLLECTION_COUNT (COLLECTION Name)"_s,
             u"REMOVE_COLLECTION_ITEM (COLLECTION Name, DOUBLE index)"_s,
             u"INSERT_COLLECTION_ITEM (COLLECTION Name, DOUBLE index, ANY value)"_s,
             u"SET_COLLECTION_ITEM (COLLECTION Name, DOUBLE index, ANY value)"_s,
             u"GET_COLLECTION_ITEM (COLLECTION Name, DOUBLE index)"_s,
         }},
        {u"Для работы с ассоциативными массивами"_s,
         {
             u"CREATE_MAP ()"_s,
             u"SET_VALUE (MAP  Name, STRING Key, ANY Value)"_s,
             u"GET_VALUE (MAP Name, STRING Key)"_s,
         }},
        {u"Для обращения к строкам произвольных таблиц QUIK"_s,
         {
             u"GET_ITEM (STRING TableName,DOUBLE Index)"_s,
             u"GET_NUMBER_OF (STRING TableName)"_s,
         }},
        {u"Для обращения к спискам доступных параметров "_s,
         {
             u"GET_CLASSES_LIST ()"_s,
             u"GET_CLASS_SECURITIES (STRING)"_s,
             u"GET_SECURITY_INFO (STRING class_code, STRING sec_code) "_s,
         }},
        {u"Для работы с программируемой таблицей"_s,
         {
             u"ADD_ITEM (DOUBLE Index, MAP table_string)"_s,
             u"MODIFY_ITEM (DOUBLE Index, MAP table_string)"_s,
             u"DELETE_ITEM (DOUBLE Index)"_s,
             u"DELETE_ALL_ITEMS()"_s,
             u"SET_ROW_COLOR (STRING client_code, STRING background_color, STRING selected_background_color)"_s,
             u"SET_ROW_COLOR_EX (DOUBLE row_number, STRING background_color, STRING selected_background_color, STRING font_color, STRING selected_font_color)"_s,
         }},
        {u"Для получения значений Таблицы текущих значений параметров"_s,
         {
             u"GET_PARAM (STRING classcode_list, STRING seccode, STRING param_name)"_s,
             u"GET_PARAM_EX (STRING classcode, STRING seccode, STRING param_name)"_s,
         }},
        {u"Для получения значений Таблицы лимитов по бумагам*"_s,
         {
             u"DEPO_OPEN_BALANCE (STRING client_code, STRING firmid, STRING seccode, STRING account)"_s,
             u"DEPO_OPEN_LIMIT (STRING client_code, STRING firmid, STRING seccode, STRING account)"_s,
             u"DEPO_CURRENT_BALANCE (STRING client_code, STRING firmid, STRING seccode, STRING account)"_s,
             u"DEPO_CURRENT_LIMIT (STRING client_code, STRING firmid, STRING seccode, STRING account)"_s,
             u"DEPO_LIMIT_AVAILABLE (STRING client_code, STRING firmid, STRING seccode, STRING account)"_s,
             u"DEPO_LIMIT_LOCKED (STRING client_code, STRING firmid, STRING seccode, STRING account)"_s,
             u"DEPO_LIMIT_LOCKED_BUY (STRING client_code, STRING firmid, STRING seccode, STRING account)"_s,
             u"DEPO_LIMIT_LOCKED_BUY_VALUE (STRING client_code, STRING firmid, STRING seccode, STRING account)"_s,
         }},
        {u"Для получения значений Таблицы лимитов по денежным средствам*"_s,
         {
             u"MONEY_OPEN_BALANCE (STRING client_code, STRING firmid, STRING tag, STRING curr_code)"_s,
             u"MONEY_OPEN_LIMIT (STRING client_code, STRING firmid, STRING tag, STRING curr_code)"_s,
             u"MONEY_CURRENT_BALANCE (STRING client_code, STRING firmid, STRING tag, STRING curr_code)"_s,
             u"MONEY_CURRENT_LIMIT (STRING client_code, STRING firmid, STRING tag, STRING curr_code)"_s,
             u"MONEY_LIMIT_AVAILABLE (STRING client_code, STRING firmid, STRING tag, STRING curr_code)"_s,
             u"MONEY_LIMIT_LOCKED (STRING client_code, STRING firmid, STRING tag, STRING curr_code)"_s,
             u"MONEY_LIMIT_LOCKED_NONMARGINAL_VALUE (STRING client_code, STRING firmid, STRING tag, STRING curr_code)"_s,
         }},
        {u"Расчет маржинальных позиций"_s,
         {
             u"SHORT_VALUE (STRING client_code, STRING firmid, STRING seccode, STRING class_code, STRING account, STRING price_param_code)"_s,
             u"LONG_VALUE (STRING client_code, STRING firmid, STRING seccode, STRING class_code, STRING account, STRING price_param_code)"_s,
         }},
        {u"Значения таблиц \"Клиентский портфель\" и \"Купить/Продать\""_s,
         {
             u"GET_CLIENT_MARGINAL_PORTFOLIO_INFO (STRING firmid, STRING client_code)"_s,
             u"GET_CLIENT_MARGINAL_BUY_SELL_INFO (STRING firmid, STRING client_code, STRING class_code, STRING sec_code, DOUBLE price)"_s,
         }},
        {u"Для работы с файлами"_s,
         {
             u"CLEAR_FILE (STRING target_file) "_s,
             u"WRITE (STRING target_file, STRING string_to_write) "_s,
             u"WRITELN (STRING target_file, STRING string_to_write) "_s,
             u"GET_FILE_LEN (STRING target_file) "_s,
             u"READ_LINE (STRING target_file, DOUBLE line, DOUBLE error) "_s,
         }},
        {u"Для работы со строками"_s,
         {
             u"LEN (STRING value) "_s,
             u"TRIM (STRING value) "_s,
             u"SUBSTR (STRING value, DOUBLE start, DOUBLE len) "_s,
             u"FIND (STRING value, DOUBLE start, STRING sub)"_s,
         }},
        {u"Для работы с графиками"_s,
         {
             u"GET_CANDLE (STRING class_code, STRING sec_code, STRING parameter_name, STRING interval, STRING graph_type, DOUBLE Date, DOUBLE Time)"_s,
         }},
        {u"Для работы с заявками"_s,
         {
             u"SEND_TRANSACTION (DOUBLE wait_timeout_for_replay, MAP trans_params)"_s,
         }},
        {u"Сервисные"_s,
         {
             u"GET_TRADE_DATE ()"_s,
             u"GET_DATETIME ()"_s,
             u"APPLY_SCALE (DOUBLE without_scale, DOUBLE scale)"_s,
         }},
    };
    LibraryNode root{u"Функции"_s, {}};
    for (const Category &category : categories) {
        LibraryNode node{category.name, {}};
        for (const QString &function : category.functions)
            node.children.append(LibraryNode{function, {}});
        root.children.append(std::move(node));
    }
    return {root};
}

} // namespace bp
