#pragma once

#include "highlight/qpile_token_kind.h"

#include <QString>
#include <array>
#include <cstdint>
#include <string_view>

namespace bp::qpile {

struct Keyword
{
    std::u16string_view text;
    TtkTokenKind kind;
};

inline constexpr int KeywordCount = 121;
inline constexpr int BucketCount = 431;

// Lower case, in ascending order of their UTF-16 code units (the blank sorts before the
// underscore). The three keywords holding a blank can never match an identifier.
inline constexpr std::array<Keyword, KeywordCount> Keywords = {{
    {u"abs", TtkTokenKind::tkKey},
    {u"acos", TtkTokenKind::tkKey},
    {u"add_item", TtkTokenKind::tkKey},
    {u"add_label", TtkTokenKind::tkKey},
    {u"and", TtkTokenKind::tkControls},
    {u"apply_scale", TtkTokenKind::tkKey},
    {u"asin", TtkTokenKind::tkKey},
    {u"atan", TtkTokenKind::tkKey},
    {u"break", TtkTokenKind::tkControls},
    {u"breakpoint", TtkTokenKind::tkKey},
    {u"ceil", TtkTokenKind::tkKey},
    {u"clear_file", TtkTokenKind::tkKey},
    {u"clients_list", TtkTokenKind::tkMain},
    {u"collection", TtkTokenKind::tkReserved},
    {u"continue", TtkTokenKind::tkControls},
    {u"cos", TtkTokenKind::tkKey},
    {u"create_collection", TtkTokenKind::tkKey},
    {u"create_map", TtkTokenKind::tkKey},
    {u"delete_all_items", TtkTokenKind::tkKey},
    {u"delete_all_labels", TtkTokenKind::tkKey},
    {u"delete_item", TtkTokenKind::tkKey},
    {u"delete_label", TtkTokenKind::tkKey},
    {u"depo_current_balance", TtkTokenKind::tkKey},
    {u"depo_current_limit", TtkTokenKind::tkKey},
    {u"depo_limit_available", TtkTokenKind::tkKey},
    {u"depo_limit_locked", TtkTokenKind::tkKey},
    {u"depo_limit_locked_buy", TtkTokenKind::tkKey},
    {u"depo_limit_locked_buy_value", TtkTokenKind::tkKey},
    {u"depo_open_balance", TtkTokenKind::tkKey},
    {u"depo_open_limit", TtkTokenKind::tkKey},
    {u"description", TtkTokenKind::tkMain},
    {u"double", TtkTokenKind::tkReserved},
    {u"else", TtkTokenKind::tkControls},
    {u"end", TtkTokenKind::tkControls},
    {u"end for", TtkTokenKind::tkControls},
    {u"end func", TtkTokenKind::tkControls},
    {u"end if", TtkTokenKind::tkControls},
    {u"end_portfolio", TtkTokenKind::tkMain},
    {u"end_portfolio_ex", TtkTokenKind::tkMain},
    {u"end_program", TtkTokenKind::tkMain},
    {u"exp", TtkTokenKind::tkKey},
    {u"find", TtkTokenKind::tkKey},
    {u"firms_list", TtkTokenKind::tkMain},
    {u"floor", TtkTokenKind::tkKey},
    {u"for", TtkTokenKind::tkControls},
    {u"from", TtkTokenKind::tkControls},
    {u"func", TtkTokenKind::tkControls},
    {u"get_candle", TtkTokenKind::tkKey},
    {u"get_candle_ex", TtkTokenKind::tkKey},
    {u"get_class_securities", TtkTokenKind::tkKey},
    {u"get_classes_list", TtkTokenKind::tkKey},
    {u"get_client_marginal_buy_sell_info", TtkTokenKind::tkKey},
    {u"get_client_marginal_buy_sell_info_ex", TtkTokenKind::tkKey},
    {u"get_client_marginal_portfolio_info", TtkTokenKind::tkKey},
    {u"get_client_marginal_portfolio_info_ex", TtkTokenKind::tkKey},
    {u"get_collection_count", TtkTokenKind::tkKey},
    {u"get_collection_item", TtkTokenKind::tkKey},
    {u"get_datetime", TtkTokenKind::tkKey},
    {u"get_file_len", TtkTokenKind::tkKey},
    {u"get_info_param", TtkTokenKind::tkKey},
    {u"get_item", TtkTokenKind::tkKey},
    {u"get_label_params", TtkTokenKind::tkKey},
    {u"get_number_of", TtkTokenKind::tkKey},
    {u"get_param", TtkTokenKind::tkKey},
    {u"get_param_ex", TtkTokenKind::tkKey},
    {u"get_quotes_ii_level_data", TtkTokenKind::tkKey},
    {u"get_security_info", TtkTokenKind::tkKey},
    {u"get_trade_date", TtkTokenKind::tkKey},
    {u"get_value", TtkTokenKind::tkKey},
    {u"if", TtkTokenKind::tkControls},
    {u"in", TtkTokenKind::tkControls},
    {u"include", TtkTokenKind::tkMain},
    {u"insert_collection_item", TtkTokenKind::tkKey},
    {u"is_connected", TtkTokenKind::tkKey},
    {u"len", TtkTokenKind::tkKey},
    {u"log", TtkTokenKind::tkKey},
    {u"long_value", TtkTokenKind::tkKey},
    {u"map", TtkTokenKind::tkReserved},
    {u"message", TtkTokenKind::tkKey},
    {u"modify_item", TtkTokenKind::tkKey},
    {u"money_current_balance", TtkTokenKind::tkKey},
    {u"money_current_limit", TtkTokenKind::tkKey},
    {u"money_limit_available", TtkTokenKind::tkKey},
    {u"money_limit_locked", TtkTokenKind::tkKey},
    {u"money_limit_locked_nonmarginal_value", TtkTokenKind::tkKey},
    {u"money_open_balance", TtkTokenKind::tkKey},
    {u"money_open_limit", TtkTokenKind::tkKey},
    {u"new_global", TtkTokenKind::tkKey},
    {u"numeric", TtkTokenKind::tkReserved},
    {u"or", TtkTokenKind::tkControls},
    {u"parameter", TtkTokenKind::tkMain},
    {u"parameter_description", TtkTokenKind::tkMain},
    {u"parameter_title", TtkTokenKind::tkMain},
    {u"parameter_type", TtkTokenKind::tkMain},
    {u"portfolio", TtkTokenKind::tkMain},
    {u"portfolio_ex", TtkTokenKind::tkMain},
    {u"pow", TtkTokenKind::tkKey},
    {u"program", TtkTokenKind::tkMain},
    {u"rand", TtkTokenKind::tkKey},
    {u"randomize", TtkTokenKind::tkKey},
    {u"read_line", TtkTokenKind::tkKey},
    {u"remove_collection_item", TtkTokenKind::tkKey},
    {u"result", TtkTokenKind::tkControls},
    {u"return", TtkTokenKind::tkControls},
    {u"send_transaction", TtkTokenKind::tkKey},
    {u"set_collection_item", TtkTokenKind::tkKey},
    {u"set_label_params", TtkTokenKind::tkKey},
    {u"set_row_color", TtkTokenKind::tkKey},
    {u"set_row_color_ex", TtkTokenKind::tkKey},
    {u"set_value", TtkTokenKind::tkKey},
    {u"short_value", TtkTokenKind::tkKey},
    {u"sin", TtkTokenKind::tkKey},
    {u"sqrt", TtkTokenKind::tkKey},
    {u"string", TtkTokenKind::tkReserved},
    {u"substr", TtkTokenKind::tkKey},
    {u"tan", TtkTokenKind::tkKey},
    {u"to", TtkTokenKind::tkControls},
    {u"trim", TtkTokenKind::tkKey},
    {u"use_case_sensitive_constants", TtkTokenKind::tkMain},
    {u"write", TtkTokenKind::tkKey},
    {u"writeln", TtkTokenKind::tkKey},
}};

constexpr bool isIdentCodeUnit(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || c == u'_' ||
           (c >= u'a' && c <= u'z');
}

// The hash before the modulo: h := h * 539 + c * 490 over the leading identifier characters,
// wrapping modulo 2^32.
constexpr std::uint32_t rawHash(std::u16string_view text)
{
    std::uint32_t h = 0;
    for (char16_t c : text) {
        if (!isIdentCodeUnit(c))
            break;
        h = h * 539u + std::uint32_t(c) * 490u;
    }
    return h;
}

constexpr int bucketOf(std::u16string_view text)
{
    return int(rawHash(text) % std::uint32_t(BucketCount));
}

constexpr bool isOneWord(std::u16string_view text)
{
    return text.find(u' ') == std::u16string_view::npos;
}

// Per bucket the index of the first keyword hashed to it, or -1.
inline constexpr std::array<std::int16_t, BucketCount> BucketKeywordIndexes = [] {
    std::array<std::int16_t, BucketCount> buckets{};
    for (auto &bucket : buckets)
        bucket = -1;
    for (int i = KeywordCount - 1; i >= 0; --i) {
        if (isOneWord(Keywords[std::size_t(i)].text))
            buckets[std::size_t(bucketOf(Keywords[std::size_t(i)].text))] = std::int16_t(i);
    }
    return buckets;
}();

// Per keyword the index of the next keyword hashed to the same bucket, or -1: the few
// buckets two keywords share are searched in turn.
inline constexpr std::array<std::int16_t, KeywordCount> NextKeywordInBucket = [] {
    std::array<std::int16_t, KeywordCount> next{};
    std::array<std::int16_t, BucketCount> last{};
    for (auto &index : next)
        index = -1;
    for (auto &index : last)
        index = -1;
    for (int i = 0; i < KeywordCount; ++i) {
        if (!isOneWord(Keywords[std::size_t(i)].text))
            continue;
        const std::size_t bucket = std::size_t(bucketOf(Keywords[std::size_t(i)].text));
        if (last[bucket] >= 0)
            next[std::size_t(last[bucket])] = std::int16_t(i);
        last[bucket] = std::int16_t(i);
    }
    return next;
}();

// The keyword list in upper case, joined by commas with no blanks.
QString keyWordsText();

} // namespace bp::qpile
