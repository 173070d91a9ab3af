#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace bp {

// Windows-1251 both ways, from our own table: Qt's converters are not present on
// every platform and write 0x1A for characters the code page lacks.
namespace windows1251 {

inline constexpr char kSubstitute = '?';

QString decode(QByteArrayView bytes);
// The same into `out`, which takes bytes.size() code units.
void decodeTo(QByteArrayView bytes, char16_t *out);

// Characters the code page cannot represent (including lone surrogates) become kSubstitute.
QByteArray encode(QStringView text);
// The same into `out`, which takes text.size() bytes.
void encodeTo(QStringView text, char *out);

// Index of the first character the code page cannot represent, or -1.
qsizetype firstUnencodable(QStringView text);

} // namespace windows1251
} // namespace bp
