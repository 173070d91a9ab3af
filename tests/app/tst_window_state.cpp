#include "app/panel_splitter.h"
#include "app/window_state.h"
#include "test_runner.h"
#include "window_fixture.h"

#include <QScreen>
#include <QSettings>
#include <QTest>
#include <climits>

#ifdef Q_OS_UNIX
#include <sys/stat.h>

using namespace Qt::StringLiterals;
#endif

using namespace bp;

namespace {

// The stored size is the outer one on Windows, which knows its frame when the window is
// first shown; elsewhere the window manager frames the window later, so it is the client's.
QSize storedSize(const QWidget &window)
{
#ifdef Q_OS_WIN
    return window.frameGeometry().size();
#else
    return window.geometry().size();
#endif
}

QRect storedBounds(const QWidget &window)
{
    return QRect(window.frameGeometry().topLeft(), storedSize(window));
}

// Counts how often the window reads the store.
class CountingStore : public SettingsStore
{
public:
    explicit CountingStore(SettingsStore &inner) : m_inner(inner) {}
    int reads = 0;
    std::vector<StoredInteger> readIntegers(const QStringList &names) override
    {
        ++reads;
        return m_inner.readIntegers(names);
    }
    void writeIntegers(const std::vector<std::pair<QString, int>> &values) override
    {
        m_inner.writeIntegers(values);
    }
    bool hasGroup(const QString &group) override { return m_inner.hasGroup(group); }
    bool isWritable() override { return m_inner.isWritable(); }

private:
    SettingsStore &m_inner;
};

} // namespace

class TestWindowState : public QObject
{
    Q_OBJECT

    WindowFixture f;

    QSettings stored() { return QSettings(f.settingsFile(), QSettings::NativeFormat); }
    void store(const QList<std::pair<QString, QVariant>> &values)
    {
        QSettings settings(f.settingsFile(), QSettings::NativeFormat);
        for (const auto &[name, value] : values)
            settings.setValue(name, value);
    }

private slots:
    void init() { f.reset(); }
    void cleanup()
    {
        f.window.reset();
        QCOMPARE(f.prompts.errors, QStringList());
    }

    void firstRunUsesTheDefaultPlaceAndStoresAllSixValues()
    {
        Tfrm_Main &window = f.openWindow();
        QCOMPARE(window.pos(), QPoint(197, 111));
        QCOMPARE(window.size(), QSize(961, 591));
        QCOMPARE(window.panel()->width(), 209);
        QVERIFY(window.close());
        QSettings settings(f.settingsFile(), QSettings::NativeFormat);
        QCOMPARE(settings.value(u"WindowLeft"_s).toInt(), 197);
        QCOMPARE(settings.value(u"WindowTop"_s).toInt(), 111);
        QCOMPARE(settings.value(u"WindowWidth"_s).toInt(), storedSize(window).width());
        QCOMPARE(settings.value(u"WindowHeight"_s).toInt(), storedSize(window).height());
        QCOMPARE(settings.value(u"WindowState"_s).toInt(), 0);
        QCOMPARE(settings.value(u"WindowPanelWidth"_s).toInt(), 209);
    }

    void panelWiderThanTheWindowDoesNotWidenIt()
    {
        store({{u"WindowHeight"_s, 500}, {u"WindowWidth"_s, 800}, {u"WindowPanelWidth"_s, 1400}});
        Tfrm_Main &window = f.openWindow();
        QCOMPARE(storedSize(window), QSize(800, 500));
        QCOMPARE(window.panel()->width(), 1400);
    }

    void storedValuesAreRestored()
    {
        store({{u"WindowHeight"_s, 400},
               {u"WindowWidth"_s, 700},
               {u"WindowTop"_s, 30},
               {u"WindowLeft"_s, 40},
               {u"WindowState"_s, 0},
               {u"WindowPanelWidth"_s, 150}});
        Tfrm_Main &window = f.openWindow();
        QCOMPARE(storedBounds(window), QRect(40, 30, 700, 400));
        QCOMPARE(window.panel()->width(), 150);
        QVERIFY(window.editorPane()->hasFocus());
    }

    void panelWidthZeroOpensOnePixelWide()
    {
        store({{u"WindowPanelWidth"_s, 0}});
        Tfrm_Main &window = f.openWindow();
        QCOMPARE(window.splitter()->panelWidth(), 1);
        QCOMPARE(window.panel()->width(), 1);
    }

    void maximisedReopensMaximised()
    {
        Tfrm_Main &window = f.openWindow();
        window.showMaximized();
        QTRY_VERIFY(window.isMaximized());
        QVERIFY(window.close());
        QCOMPARE(stored().value(u"WindowState"_s).toInt(), 2);
        Tfrm_Main &again = f.openWindow();
        QTRY_VERIFY(again.isMaximized());
    }

    void missingStateOpensNormal()
    {
        store({{u"WindowHeight"_s, 400},
               {u"WindowWidth"_s, 700},
               {u"WindowTop"_s, 30},
               {u"WindowLeft"_s, 40},
               {u"WindowPanelWidth"_s, 150}});
        Tfrm_Main &window = f.openWindow();
        QVERIFY(!window.isMaximized() && !window.isMinimized());
        QCOMPARE(storedBounds(window), QRect(40, 30, 700, 400));
        QCOMPARE(window.panel()->width(), 150);
    }

    void everyCloseAttemptStoresThePosition()
    {
        Tfrm_Main &window = f.openWindow();
        f.edit(u"typed"_s);
        f.prompts.answers = {PromptAnswer::Cancel, PromptAnswer::Cancel};
        QVERIFY(!window.close());
        window.move(300, 200);
        QVERIFY(!window.close());
        QCOMPARE(stored().value(u"WindowLeft"_s).toInt(), 300);
        QCOMPARE(stored().value(u"WindowTop"_s).toInt(), 200);
    }

    void unreadableValueIsReportedAndTheRestStillApply()
    {
        store({{u"WindowHeight"_s, 400},
               {u"WindowWidth"_s, u"wide"_s},
               {u"WindowLeft"_s, 40},
               {u"WindowPanelWidth"_s, 150}});
        Tfrm_Main &window = f.openWindow();
        QCOMPARE(f.prompts.errors.size(), 1);
        QVERIFY2(f.prompts.errors[0].contains(u"WindowWidth"_s), qPrintable(f.prompts.errors[0]));
        f.prompts.errors.clear();
        QCOMPARE(storedSize(window).height(), 400);
        QCOMPARE(window.width(), 961);
        QCOMPARE(window.x(), 40);
        QCOMPARE(window.panel()->width(), 150);
        // The show handler went on to focus the editor.
        QVERIFY(window.editorPane()->hasFocus());
    }

    // Figures past the int range's edge once the window's size is added must not overflow
    // the geometry: the window comes back onto the screen and stores figures read back.
    void farOutFiguresBringTheWindowOntoTheScreen_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("figure");
        QTest::newRow("top at the int maximum") << u"WindowTop"_s << INT_MAX;
        QTest::newRow("left at the int maximum") << u"WindowLeft"_s << INT_MAX;
        QTest::newRow("top at the int minimum") << u"WindowTop"_s << INT_MIN;
        QTest::newRow("height at the int maximum") << u"WindowHeight"_s << INT_MAX;
    }
    void farOutFiguresBringTheWindowOntoTheScreen()
    {
        QFETCH(QString, name);
        QFETCH(int, figure);
        store({{name, figure}});
        Tfrm_Main &window = f.openWindow();
        const QRect screen = window.screen()->availableGeometry();
        QVERIFY2(screen.contains(window.frameGeometry()),
                 qPrintable(u"%1,%2 %3x%4"_s.arg(window.frameGeometry().x())
                                .arg(window.frameGeometry().y())
                                .arg(window.frameGeometry().width())
                                .arg(window.frameGeometry().height())));
        QVERIFY(window.close());
        QCOMPARE(stored().value(u"WindowTop"_s).toInt(), window.frameGeometry().y());
        QCOMPARE(stored().value(u"WindowHeight"_s).toInt(), storedSize(window).height());
    }

    void unwritableStoreDoesNotKeepTheWindowOpen()
    {
        // A settings "file" whose folder is a file cannot be written.
        writeFile(f.path(u"blocker"_s), "x");
        f.settings =
            std::make_unique<QtSettingsStore>(f.path(u"blocker/s.conf"_s), QSettings::NativeFormat);
        Tfrm_Main &window = f.openWindow();
        QVERIFY(window.close());
        QCOMPARE(f.prompts.errors.size(), 1);
        f.prompts.errors.clear();
    }

    void storeIsReadOnceAtStart()
    {
        store({{u"WindowHeight"_s, 400}, {u"WindowLeft"_s, 40}});
        CountingStore counting(*f.settings);
        f.window = std::make_unique<Tfrm_Main>(
            PlatformServices{&counting, &f.shell, &f.prompts, &f.sound, f.dataFolder},
            QStringList());
        f.window->show();
        // The six window values in one reading, then the editor's text size.
        QCOMPARE(counting.reads, 2);
        QCOMPARE(f.window->frameGeometry().left(), 40);
    }

#ifdef Q_OS_UNIX
    void namedPipeAtTheSettingsPathIsRefused()
    {
        // Opening a pipe for reading waits for a writer that never comes.
        QCOMPARE(mkfifo(QFile::encodeName(f.settingsFile()).constData(), 0600), 0);
        Tfrm_Main &window = f.openWindow();
        QCOMPARE(f.prompts.errors.size(), 1);
        QVERIFY2(f.prompts.errors[0].contains(f.settingsFile()), qPrintable(f.prompts.errors[0]));
        QCOMPARE(window.pos(), QPoint(197, 111));
        QVERIFY(window.close());
        QCOMPARE(f.prompts.errors.size(), 2);
        QVERIFY(QFileInfo(f.settingsFile()).isFile() == false);
        f.prompts.errors.clear();
    }
#endif

    void fitFrameToScreens_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QRect>("fitted");
        const QList<QRect> laptop{QRect(0, 0, 1366, 728)};
        const QList<QRect> two{QRect(0, 0, 1920, 1040), QRect(1920, 0, 1280, 984)};
        QTest::newRow("inside stays")
            << QRect(197, 111, 963, 616) << laptop << QRect(197, 111, 963, 616);
        QTest::newRow("off every screen comes to the nearest")
            << QRect(-3000, 5000, 963, 616) << laptop << QRect(0, 112, 963, 616);
        QTest::newRow("larger than the screen shrinks to it")
            << QRect(197, 111, 1924, 1207) << laptop << QRect(0, 0, 1366, 728);
        QTest::newRow("hanging over the bottom moves up")
            << QRect(197, 300, 963, 616) << laptop << QRect(197, 112, 963, 616);
        QTest::newRow("stays on the screen it overlaps most")
            << QRect(1800, 100, 800, 600) << two << QRect(1920, 100, 800, 600);
        QTest::newRow("right of both screens goes to the second")
            << QRect(5000, 100, 800, 600) << two << QRect(2400, 100, 800, 600);
        // A top panel: the usable area starts below it.
        const QList<QRect> panel{QRect(0, 27, 1366, 741)};
        QTest::newRow("over a top panel comes below it")
            << QRect(197, 0, 963, 616) << panel << QRect(197, 27, 963, 616);
        QTest::newRow("hanging over the bottom below a top panel moves up")
            << QRect(197, 300, 963, 616) << panel << QRect(197, 152, 963, 616);
        QTest::newRow("larger than a screen below a top panel shrinks into it")
            << QRect(197, 111, 1924, 1207) << panel << QRect(0, 27, 1366, 741);
        QTest::newRow("no screens leaves it")
            << QRect(-3000, 5000, 10, 10) << QList<QRect>{} << QRect(-3000, 5000, 10, 10);
    }
    void fitFrameToScreens()
    {
        QFETCH(QRect, frame);
        QFETCH(QList<QRect>, screens);
        QFETCH(QRect, fitted);
        QCOMPARE(bp::fitFrameToScreens(frame, screens), fitted);
    }

    void splitterSnapsThePanelShut_data()
    {
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("width");
        QTest::newRow("wide") << 300 << 300;
        QTest::newRow("at the minimum") << 30 << 30;
        QTest::newRow("below snaps shut") << 29 << 0;
        QTest::newRow("negative") << -5 << 0;
        QTest::newRow("keeps room for the editor") << 990 << 970;
    }
    void splitterSnapsThePanelShut()
    {
        QFETCH(int, requested);
        QFETCH(int, width);
        QCOMPARE(PanelSplitter::draggedWidth(requested, 1000), width);
    }
};

BP_TEST(TestWindowState)

#include "tst_window_state.moc"
