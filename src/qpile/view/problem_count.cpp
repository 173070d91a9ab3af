#include "problem_count.h"

namespace bp {
namespace {

// The word for `count` of a thing: one, few (2 to 4) or many; 11 to 14 take many.
const char16_t *pluralWord(int count, const char16_t *one, const char16_t *few,
                           const char16_t *many)
{
    const int tens = count % 100;
    const int ones = count % 10;
    if (ones == 1 && tens != 11)
        return one;
    if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14))
        return few;
    return many;
}

} // namespace

QString problemCountText(int errors, int hints)
{
    QString count = errors == 0 ? QStringLiteral("Проверка: замечаний нет")
                                : QStringLiteral("Проверка: %1 %2")
                                      .arg(errors)
                                      .arg(QString::fromUtf16(pluralWord(
                                          errors, u"замечание", u"замечания", u"замечаний")));
    if (hints == 0)
        return count;
    return QStringLiteral("%1, %2 %3")
        .arg(count)
        .arg(hints)
        .arg(QString::fromUtf16(pluralWord(hints, u"подсказка", u"подсказки", u"подсказок")));
}

} // namespace bp
