#include "shell_open.h"

#include <QDesktopServices>

namespace bp {

void QtShellOpen::open(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}

} // namespace bp
