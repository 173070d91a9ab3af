#include "about/view/unit_about.h"
#include "platform/shell_open.h"
#include "platform/user_prompts.h"
#include "test_runner.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace Qt::StringLiterals;
using namespace bp;

namespace {

// The window's place on the screen as the X server has it: the client area's top left corner
// and size, from xwininfo.
QRect placeOnScreen(WId window)
{
    QProcess process;
    process.start(u"xwininfo"_s, {u"-id"_s, QString::number(window)});
    if (!process.waitForFinished(60000))
        return {};
    const QString info = QString::fromLocal8Bit(process.readAllStandardOutput());
    auto field = [&](const QString &name) {
        const qsizetype at = info.indexOf(name);
        return at < 0 ? -1 : info.mid(at + name.size()).section(u'\n', 0, 0).trimmed().toInt();
    };
    return {field(u"Absolute upper-left X:"_s), field(u"Absolute upper-left Y:"_s),
            field(u"Width:"_s), field(u"Height:"_s)};
}

class NoShell : public ShellOpen
{
public:
    void open(const QUrl &) override {}
};

// Xvfb and openbox start before the application, which then connects to them.
struct Desktop
{
    QTemporaryDir dir;
    QProcess server;
    QProcess manager;
    bool available = false;
};
Desktop *desktop = nullptr;

} // namespace

// The about window under a real X server with a reparenting window manager (Xvfb and
// openbox), where a window without a frame is placed differently from every other.
class TestAboutWindowManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!desktop || !desktop->available)
            QSKIP("Xvfb, openbox or xwininfo is missing, or the X server did not start");
    }

    // The box of the check sits over the about window each time, also when the window system
    // has lost track of where the frameless about window is.
    void boxOfTheCheckSitsOverTheAboutWindow()
    {
        QtUserPrompts prompts(u"Brindlepad"_s);
        NoShell shell;
        for (int round = 0; round < 10; ++round) {
            QWidget owner;
            owner.resize(700, 500);
            owner.show();
            QVERIFY(QTest::qWaitForWindowExposed(&owner));
            AboutServices services;
            services.shell = &shell;
            services.prompts = &prompts;
            services.runCommand = [](const std::function<void()> &command) {
                command();
                return true;
            };
            Tfrm_About about(services, &owner);
            about.show();
            QVERIFY(QTest::qWaitForWindowExposed(&about));
            const QRect aboutPlace = placeOnScreen(about.winId());

            QRect boxPlace;
            QTimer::singleShot(0, &about, [&] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                if (!box)
                    return;
                if (QTest::qWaitForWindowExposed(box))
                    boxPlace = placeOnScreen(box->winId());
                box->done(QMessageBox::Ok);
            });
            prompts.showInformation(&about, u"Проверка обновлений Brindlepad"_s, u"!"_s);
            const QPoint offset = boxPlace.center() - aboutPlace.center();
            // The title bar moves the client area down by part of its height.
            QVERIFY2(boxPlace.isValid() && qAbs(offset.x()) <= 2 && qAbs(offset.y()) <= 40,
                     qPrintable(u"round %1: about at %2,%3, box at %4,%5"_s.arg(round)
                                    .arg(aboutPlace.x())
                                    .arg(aboutPlace.y())
                                    .arg(boxPlace.x())
                                    .arg(boxPlace.y())));
        }
    }
};

namespace {

int startDesktop(int, char **)
{
    desktop = new Desktop;
    bool tools = true;
    for (const char *needed : {"Xvfb", "openbox", "xwininfo"})
        tools = tools && !QStandardPaths::findExecutable(QString::fromLatin1(needed)).isEmpty();
    if (!tools || !desktop->dir.isValid())
        return -1;
    // The server picks a free display itself and names it on its output when ready.
    desktop->server.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s,
                                      u"1366x768x24"_s, u"-nolisten"_s, u"tcp"_s});
    if (desktop->server.waitForStarted() && desktop->server.waitForReadyRead(60000)) {
        const QByteArray display = ':' + desktop->server.readLine().trimmed();
        qputenv("DISPLAY", display);
        qputenv("QT_QPA_PLATFORM", "xcb");
        const QString ready = desktop->dir.filePath(u"manager-ready"_s);
        desktop->manager.start(u"openbox"_s, {u"--startup"_s, u"touch "_s + ready});
        desktop->available = desktop->manager.waitForStarted() &&
                             QTest::qWaitFor([&] { return QFile::exists(ready); }, 60000);
    }
    return -1;
}

void stopDesktop()
{
    desktop->manager.terminate();
    desktop->manager.waitForFinished();
    desktop->server.terminate();
    desktop->server.waitForFinished();
    delete desktop;
    desktop = nullptr;
}

} // namespace

BP_TEST(TestAboutWindowManager)
BP_TEST_PROGRAM({.beforeApplication = startDesktop, .afterRun = stopDesktop})

#include "tst_about_window_manager.moc"
