#pragma once

#include <QString>

namespace bp {

// The check's count for the hint panel, in Russian with the plural the number takes:
// "Проверка: 3 замечания", "Проверка: замечаний нет"; hints counted apart,
// "Проверка: 3 замечания, 2 подсказки".
QString problemCountText(int errors, int hints = 0);

} // namespace bp
