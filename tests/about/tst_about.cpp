#include "../app/window_fixture.h"
#include "about/view/unit_about.h"
#include "app/command_table.h"
#include "platform/user_prompts.h"
#include "test_http_server.h"
#include "test_runner.h"

#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <optional>

using namespace Qt::StringLiterals;
using namespace bp;

Q_DECLARE_METATYPE(bp::VersionNumber)

namespace {

class FakeShell : public ShellOpen
{
public:
    QList<QUrl> opened;
    void open(const QUrl &url) override { opened << url; }
};

// Records each box of the check and answers the question from a script (No when unscripted).
class FakeUpdatePrompts : public FakePrompts
{
public:
    struct Box
    {
        QString caption;
        QString text;
        bool question;
    };
    QList<Box> boxes;
    bool answerYes = false;

    bool askInformation(QWidget *, const QString &caption, const QString &text) override
    {
        boxes.append({caption, text, true});
        return answerYes;
    }
    void showInformation(QWidget *, const QString &caption, const QString &text) override
    {
        boxes.append({caption, text, false});
    }
};

QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

TestHttpServer::Response route(const TestHttpServer::Request &request)
{
    TestHttpServer::Response response;
    if (request.path.startsWith("/v/")) {
        response.body = manifestBody(request.path.mid(3));
    } else if (request.path == "/slow") {
        response.body = manifestBody("9.9.9.9");
        response.trickleMs = 1000;
    } else {
        response.status = 404;
    }
    return response;
}

const QString kCaption = u"Проверка обновлений Brindlepad"_s;

} // namespace

// The about window on real widgets, driven by keys and clicks, its check against a real
// server on this machine, its error box that of a real main window.
class TestAbout : public QObject
{
    Q_OBJECT

    WindowFixture m_fixture;
    FakeShell m_shell;
    FakeUpdatePrompts m_prompts;
    TestHttpServer m_server;
    QTemporaryDir m_temp;
    std::unique_ptr<Tfrm_About> m_about;
    VersionNumber m_version{1, 3, 1, 0};
    int m_versionReads = 0;

    Tfrm_About &openAbout()
    {
        Tfrm_Main &main = m_fixture.openWindow();
        AboutServices services;
        services.shell = &m_shell;
        services.prompts = &m_prompts;
        services.runCommand = [&main](const std::function<void()> &command) {
            return main.runCommand(command);
        };
        services.readVersion = [this] {
            ++m_versionReads;
            return m_version;
        };
        m_about = std::make_unique<Tfrm_About>(services, &main);
        main.setAboutWindow(m_about.get());
        return *m_about;
    }

    Tfrm_About &showAbout()
    {
        Tfrm_About &about = openAbout();
        about.show();
        about.activateWindow();
        // The platform reports the window active before the application has taken note.
        if (!QTest::qWaitFor([&] { return QApplication::activeWindow() == &about; }))
            qWarning("about window did not become active");
        return about;
    }

    QPushButton *button(const char *name)
    {
        return m_about->findChild<QPushButton *>(QString::fromLatin1(name));
    }

    // Clicks "Обновления" and waits until the check has told its result.
    void runCheck(const QString &path)
    {
        qputenv(kUpdateUrlVariable, m_server.url(path).toEncoded());
        QTest::mouseClick(button("btn_Update"), Qt::LeftButton);
        QVERIFY(m_about->updateCheck().isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(!m_about->updateCheck().isRunning(), 60000);
    }

private slots:
    void initTestCase()
    {
        m_server.handler = route;
        qputenv("TEMP", QFile::encodeName(m_temp.path()));
    }

    void init()
    {
        m_fixture.reset();
        m_shell.opened.clear();
        m_prompts = FakeUpdatePrompts();
        m_version = {1, 3, 1, 0};
        m_versionReads = 0;
        QDir(m_temp.path()).removeRecursively();
        QDir().mkpath(m_temp.path());
    }

    void cleanup()
    {
        m_about.reset();
        m_fixture.window.reset();
    }

    void windowAndControlPlaces()
    {
        Tfrm_About &about = showAbout();
        QCOMPARE(about.size(), QSize(377, 216));
        QVERIFY(about.windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(about.windowTitle(), u"О программе"_s);
        QCOMPARE(about.palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(about.frameGeometry().center(), about.screen()->geometry().center());

        const struct
        {
            const char *name;
            QRect geometry;
        } places[] = {
            {"Bevel1", {0, 0, 377, 216}},          {"Image", {8, 8, 128, 128}},
            {"lbl_Copyright", {142, 72, 211, 26}}, {"Bevel", {8, 168, 353, 2}},
            {"btn_Update", {8, 176, 105, 25}},     {"btn_OK", {261, 176, 100, 25}},
        };
        for (const auto &place : places) {
            const QWidget *control = about.findChild<QWidget *>(QString::fromLatin1(place.name));
            QVERIFY2(control, place.name);
            QVERIFY2(control->geometry() == place.geometry, place.name);
        }
        const auto *name = about.findChild<QLabel *>(u"lbl_Name"_s);
        QCOMPARE(name->pos(), QPoint(160, 8));
        QCOMPARE(name->text(), u"Brindlepad"_s);
        QCOMPARE(name->font().family(), u"Arial Black"_s);
        QCOMPARE(name->font().pixelSize(), 21);
        QCOMPARE(about.findChild<QLabel *>(u"lbl_Version"_s)->pos(), QPoint(142, 53));
        QCOMPARE(about.findChild<QLabel *>(u"Image"_s)->pixmap().size(), QSize(128, 128));
        QCOMPARE(button("btn_Update")->text(), u"Обновления"_s);
        QCOMPARE(button("btn_OK")->text(), u"OK"_s);

        // The notice fits its two lines; nothing is cut off at the bottom.
        const auto *copyright = about.findChild<QLabel *>(u"lbl_Copyright"_s);
        QVERIFY(copyright->wordWrap());
        QVERIFY2(copyright->heightForWidth(211) <= 26,
                 qPrintable(QString::number(copyright->heightForWidth(211))));
        // Every label stays inside the window, clear of the separator.
        for (const char *label : {"lbl_Name", "lbl_Version"}) {
            const QWidget *control = about.findChild<QWidget *>(QString::fromLatin1(label));
            QVERIFY2(control->geometry().bottom() < 168 && control->geometry().right() < 377,
                     label);
        }
    }

    void versionLineOnEveryShow_data()
    {
        QTest::addColumn<VersionNumber>("version");
        QTest::addColumn<QString>("line");
        QTest::newRow("1.3.1.0") << VersionNumber{1, 3, 1, 0} << u"Версия 1.3.1"_s;
        QTest::newRow("2.0.0.0") << VersionNumber{2, 0, 0, 0} << u"Версия 2.0"_s;
        QTest::newRow("1.2.0.5") << VersionNumber{1, 2, 0, 5} << u"Версия 1.2.0.5"_s;
        QTest::newRow("no version resource") << VersionNumber{} << u"Версия 0.0"_s;
    }
    void versionLineOnEveryShow()
    {
        QFETCH(VersionNumber, version);
        QFETCH(QString, line);
        m_version = version;
        Tfrm_About &about = showAbout();
        const auto *label = about.findChild<QLabel *>(u"lbl_Version"_s);
        QCOMPARE(label->text(), line);
        QCOMPARE(m_versionReads, 1);

        // Shown again, the version is read again and replaces the line.
        about.hide();
        about.show();
        QCOMPARE(m_versionReads, 2);
        QCOMPARE(label->text(), line);
        QCOMPARE(about.version(), version);
    }

    void aboutCommandShowsTheOneWindowModally()
    {
        Tfrm_About &about = openAbout();
        const ActionManager &actions = m_fixture.window->actions();
        QVERIFY(actions.Action1->isEnabled());
        for (int showing = 1; showing <= 2; ++showing) {
            bool wasModal = false;
            QTimer::singleShot(0, &about, [&] {
                wasModal = about.isVisible() && about.isModal();
                QTest::mouseClick(button("btn_OK"), Qt::LeftButton);
            });
            actions.Action1->trigger();
            QVERIFY(wasModal);
            QVERIFY(!about.isVisible());
            QCOMPARE(m_versionReads, showing);
        }
    }

    void keys()
    {
        Tfrm_About &about = showAbout();
        QPushButton *update = button("btn_Update");
        QPushButton *ok = button("btn_OK");

        // Tab order: "Обновления", then "OK", then round again.
        QCOMPARE(QApplication::focusWidget(), update);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), ok);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), update);

        // No cancel button: Esc leaves the window open, on either button.
        QTest::keyClick(update, Qt::Key_Escape);
        QVERIFY(about.isVisible());
        ok->setFocus();
        QTest::keyClick(ok, Qt::Key_Escape);
        QVERIFY(about.isVisible());

        // Enter presses the focused button: on "OK" it closes the window.
        QTest::keyClick(ok, Qt::Key_Return);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
        QVERIFY(m_prompts.boxes.isEmpty());
    }

    void enterOnUpdateRunsTheCheck()
    {
        Tfrm_About &about = showAbout();
        qputenv(kUpdateUrlVariable, m_server.url(u"/v/1.3.1.0"_s).toEncoded());
        QPushButton *update = button("btn_Update");
        update->setFocus();
        QTest::keyClick(update, Qt::Key_Enter);
        QVERIFY(about.isVisible());
        QVERIFY(about.updateCheck().isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(!about.updateCheck().isRunning(), 60000);
        QCOMPARE(m_prompts.boxes.size(), 1);
        QCOMPARE(m_prompts.boxes[0].text, u"Вы используете последнюю версию Brindlepad"_s);
        // The button is back, with the focus it had.
        QVERIFY(update->isEnabled());
        QCOMPARE(QApplication::focusWidget(), update);
    }

    void altF4Closes()
    {
        Tfrm_About &about = showAbout();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4, Qt::AltModifier);
        QVERIFY(!about.isVisible());
    }

    void newerVersionOffersTheDownloadPage_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes opens the page") << true;
        QTest::newRow("no opens nothing") << false;
    }
    void newerVersionOffersTheDownloadPage()
    {
        QFETCH(bool, yes);
        showAbout();
        m_prompts.answerYes = yes;
        runCheck(u"/v/1.3.2"_s);
        QCOMPARE(m_prompts.boxes.size(), 1);
        QCOMPARE(m_prompts.boxes[0].caption, kCaption);
        QCOMPARE(m_prompts.boxes[0].text,
                 u"На сайте имеется новая версия!\nОткрыть веб-сайт программы для загрузки новой "
                 "версии?"_s);
        QVERIFY(m_prompts.boxes[0].question);
        QCOMPARE(m_shell.opened, yes ? QList<QUrl>{downloadPageUrl()} : QList<QUrl>{});
        QCOMPARE(folderEntries(m_temp.path()), QStringList(u"brindlepad.xml"_s));
    }

    void failedCheckTellsTheUser()
    {
        showAbout();
        runCheck(u"/status/404"_s);
        QCOMPARE(m_prompts.boxes.size(), 1);
        QCOMPARE(m_prompts.boxes[0].caption, kCaption);
        QCOMPARE(m_prompts.boxes[0].text,
                 u"Не удалось проверить обновления:\nсервер ответил кодом 404"_s);
        QVERIFY(!m_prompts.boxes[0].question);
        QVERIFY(m_shell.opened.isEmpty());
        QCOMPARE(folderEntries(m_temp.path()), QStringList());

        // A second click tries again.
        runCheck(u"/v/1.3.1.0"_s);
        QCOMPARE(m_prompts.boxes.size(), 2);
        QCOMPARE(m_prompts.boxes[1].text, u"Вы используете последнюю версию Brindlepad"_s);
    }

    void windowStaysResponsiveAndClosingAbandonsTheCheck()
    {
        Tfrm_About &about = showAbout();
        qputenv(kUpdateUrlVariable, m_server.url(u"/slow"_s).toEncoded());
        QPushButton *update = button("btn_Update");
        QTest::mouseClick(update, Qt::LeftButton);
        QVERIFY(about.updateCheck().isRunning());
        QCOMPARE(about.cursor().shape(), Qt::BusyCursor);
        QVERIFY(!update->isEnabled());
        // A click on the disabled button starts nothing more.
        QTest::mouseClick(update, Qt::LeftButton);

        // The server is still trickling; the window takes the click on "OK" all the same.
        QTRY_VERIFY_WITH_TIMEOUT(!m_server.requests.isEmpty(), 60000);
        QTest::mouseClick(button("btn_OK"), Qt::LeftButton);
        QVERIFY(!about.isVisible());
        QVERIFY(!about.updateCheck().isRunning());
        QCOMPARE(about.cursor().shape(), Qt::ArrowCursor);
        QVERIFY(update->isEnabled());
        QCoreApplication::processEvents();
        QVERIFY(m_prompts.boxes.isEmpty());
        QCOMPARE(folderEntries(m_temp.path()), QStringList());
    }

    void realBoxesSitOverTheAboutWindow()
    {
        Tfrm_About &about = showAbout();
        QtUserPrompts prompts(u"Brindlepad"_s);
        const QString caption = u"Проверка обновлений Brindlepad"_s;
        for (bool question : {false, true}) {
            QRect box;
            QString title;
            QTimer::singleShot(0, &about, [&] {
                auto *shown = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                if (!shown)
                    return;
                box = shown->frameGeometry();
                title = shown->windowTitle();
                shown->done(QMessageBox::No);
            });
            if (question)
                QVERIFY(!prompts.askInformation(&about, caption, u"?"_s));
            else
                prompts.showInformation(&about, caption, u"!"_s);
            QCOMPARE(title, caption);
            QVERIFY2(qAbs(box.center().x() - about.frameGeometry().center().x()) <= 1 &&
                         qAbs(box.center().y() - about.frameGeometry().center().y()) <= 1,
                     qPrintable(u"%1,%2"_s.arg(box.x()).arg(box.y())));
            // Wide enough for the caption in a bold title font, however short the text.
            QFont bold = QApplication::font();
            bold.setBold(true);
            QVERIFY(box.width() > QFontMetrics(bold).horizontalAdvance(caption));
        }
    }

#ifdef Q_OS_LINUX
    void unwritableFolderShowsTheErrorBox()
    {
        // The process file system takes no new files, not even from the superuser.
        const QByteArray folder = "/proc";
        qputenv("TEMP", folder);
        Tfrm_About &about = showAbout();
        qputenv(kUpdateUrlVariable, m_server.url(u"/v/9.0"_s).toEncoded());
        QTest::mouseClick(button("btn_Update"), Qt::LeftButton);
        qputenv("TEMP", QFile::encodeName(m_temp.path()));
        QVERIFY(!about.updateCheck().isRunning());
        QVERIFY(button("btn_Update")->isEnabled());
        QCOMPARE(m_fixture.prompts.errors.size(), 1);
        QVERIFY2(m_fixture.prompts.errors[0].startsWith(
                     u"Не удалось создать файл \"/proc/brindlepad.xml\". "_s),
                 qPrintable(m_fixture.prompts.errors[0]));
        QVERIFY(m_prompts.boxes.isEmpty());
    }
#endif
};

BP_TEST(TestAbout)

#include "tst_about.moc"
