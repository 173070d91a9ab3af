#include "completion_words.h"

#include "common/text_file.h"
#include "data_file_lines.h"

namespace bp {

using namespace Qt::StringLiterals;

QStringList builtInCompletionNames()
{
    // data/func.txt holds the same names; a test keeps the two equal.
    return {
        u"NEW_GLOBAL"_s,
        u"MESSAGE"_s,
        u"ACOS"_s,
        u"ASIN"_s,
        u"ATAN"_s,
        u"CEIL"_s,
        u"COS"_s,
        u"EXP"_s,
        u"FLOOR"_s,
        u"LOG"_s,
        u"POW"_s,
        u"RAND"_s,
        u"SIN"_s,
        u"SQRT"_s,
        u"TAN"_s,
        u"CREATE_COLLECTION"_s,
        u"GET_COLLECTION_COUNT"_s,
        u"REMOVE_COLLECTION_ITEM"_s,
        u"INSERT_COLLECTION_ITEM"_s,
        u"SET_COLLECTION_ITEM"_s,
        u"GET_COLLECTION_ITEM"_s,
        u"CREATE_MAP"_s,
        u"SET_VALUE"_s,
        u"GET_VALUE"_s,
        u"GET_ITEM"_s,
        u"GET_NUMBER_OF"_s,
        u"GET_CLASSES_LIST"_s,
        u"GET_CLASS_SECURITIES"_s,
        u"GET_SECURITY_INFO"_s,
        u"ADD_ITEM"_s,
        u"MODIFY_ITEM"_s,
        u"DELETE_ITEM"_s,
        u"DELETE_ALL_ITEMS"_s,
        u"SET_ROW_COLOR"_s,
        u"GET_PARAM"_s,
        u"GET_PARAM_EX"_s,
        u"DEPO_OPEN_BALANCE"_s,
        u"DEPO_OPEN_LIMIT"_s,
        u"DEPO_CURRENT_BALANCE"_s,
        u"DEPO_CURRENT_LIMIT"_s,
        u"DEPO_LIMIT_AVAILABLE"_s,
        u"DEPO_LIMIT_LOCKED"_s,
        u"DEPO_LIMIT_LOCKED_BUY"_s,
        u"DEPO_LIMIT_LOCKED_BUY_VALUE"_s,
        u"MONEY_OPEN_BALANCE"_s,
        u"MONEY_OPEN_LIMIT"_s,
        u"MONEY_CURRENT_BALANCE"_s,
        u"MONEY_CURRENT_LIMIT"_s,
        u"MONEY_LIMIT_AVAILABLE"_s,
        u"MONEY_LIMIT_LOCKED"_s,
        u"MONEY_LIMIT_LOCKED_NONMARGINAL_VALUE"_s,
        u"SHORT_VALUE"_s,
        u"LONG_VALUE"_s,
        u"GET_CLIENT_MARGINAL_PORTFOLIO_INFO"_s,
        u"GET_CLIENT_MARGINAL_BUY_SELL_INFO"_s,
        u"CLEAR_FILE"_s,
        u"WRITE"_s,
        u"WRITELN"_s,
        u"GET_FILE_LEN"_s,
        u"READ_LINE"_s,
        u"LEN"_s,
        u"TRIM"_s,
        u"SUBSTR"_s,
        u"FIND"_s,
        u"GET_CANDLE"_s,
        u"SEND_TRANSACTION"_s,
        u"GET_TRADE_DATE"_s,
        u"GET_DATETIME"_s,
        u"APPLY_SCALE"_s,
    };
}

QStringList parseCompletionText(QStringView text)
{
    return cutDataFileLines(text);
}

QStringList readCompletionFile(const QString &path)
{
    return parseCompletionText(readTextFile(path).text);
}

} // namespace bp
