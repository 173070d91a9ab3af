#include "alert_sound.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QApplication>
#endif

namespace bp {

void QtAlertSound::alert()
{
#ifdef Q_OS_WIN
    // The "asterisk" system sound; QApplication::beep() would play the default beep.
    MessageBeep(MB_ICONASTERISK);
#else
    QApplication::beep();
#endif
}

} // namespace bp
