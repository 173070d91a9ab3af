#pragma once

#include <QString>
#include <QUrl>

namespace bp {

// The environment variable that replaces the maker's web site (scheme and host, with an
// optional port), so that tests never reach the real site.
inline constexpr char kWebHostVariable[] = "BRINDLEPAD_WEB_HOST";

// Scheme and host of the maker's web site, without a trailing slash.
QString webHost();

// The page at `path` (starting with "/") on the maker's web site.
QUrl webPage(const QString &path);

} // namespace bp
