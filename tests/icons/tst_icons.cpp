#include "icons/image_list_actions.h"
#include "test_runner.h"

#include <QImage>
#include <QTest>

#include <climits>

using namespace Qt::StringLiterals;

using bp::ImageListActions;

namespace {

QImage render(const QIcon &icon, int size)
{
    return icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32);
}

int paintedPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                ++count;
    return count;
}

} // namespace

class TestIcons : public QObject
{
    Q_OBJECT

private slots:
    void everyIndexDrawsAtSixteenPixels_data();
    void everyIndexDrawsAtSixteenPixels();
    void iconsAreDistinct();
    void indexOutsideListHasNoIcon_data();
    void indexOutsideListHasNoIcon();
    void themeLayoutServesTheSameDrawings();
    void applicationIconCoversSmallAndLargeSizes();
    void productLogoIsOpaqueAndDrawn();
};

void TestIcons::everyIndexDrawsAtSixteenPixels_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < ImageListActions::kCount; ++i)
        QTest::addRow("%d", i) << i;
}

// A missing file, a broken SVG or a missing SVG engine all give an empty or blank pixmap.
void TestIcons::everyIndexDrawsAtSixteenPixels()
{
    QFETCH(int, index);
    const QIcon icon = ImageListActions::icon(index);
    QVERIFY(!icon.isNull());
    const QImage image = render(icon, 16);
    QCOMPARE(image.size(), QSize(16, 16));
    const int painted = paintedPixels(image);
    QVERIFY2(painted >= 20, qPrintable(u"only %1 pixels drawn"_s.arg(painted)));
    QVERIFY(painted < 256); // a full square would mean the drawing lost its shape
}

// Two indices sharing one drawing is the likely slip when the name table is edited.
void TestIcons::iconsAreDistinct()
{
    QList<QImage> images;
    for (int i = 0; i < ImageListActions::kCount; ++i)
        images.append(render(ImageListActions::icon(i), 16));
    for (int i = 0; i < images.size(); ++i)
        for (int j = i + 1; j < images.size(); ++j)
            QVERIFY2(images[i] != images[j], qPrintable(u"%1 == %2"_s.arg(i).arg(j)));
}

void TestIcons::indexOutsideListHasNoIcon_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("just below") << -1;
    QTest::newRow("just above") << ImageListActions::kCount;
    QTest::newRow("save as") << 30;
    QTest::newRow("exit") << 43;
    QTest::newRow("int min") << INT_MIN;
    QTest::newRow("int max") << INT_MAX;
}

void TestIcons::indexOutsideListHasNoIcon()
{
    QFETCH(int, index);
    QVERIFY(ImageListActions::icon(index).isNull());
}

void TestIcons::themeLayoutServesTheSameDrawings()
{
    const QStringList oldPaths = QIcon::themeSearchPaths();
    const QString oldName = QIcon::themeName();
    QIcon::setThemeSearchPaths({ImageListActions::themeSearchPath()});
    QIcon::setThemeName(ImageListActions::themeName());

    const struct
    {
        const char *name;
        int index;
    } cases[] = {{"document-new", 0},   {"edit-copy", 4},  {"edit-undo", 8},
                 {"help-contents", 10}, {"edit-find", 16}, {"system-software-update", 22}};
    for (const auto &c : cases) {
        const QIcon themed = QIcon::fromTheme(QLatin1StringView(c.name));
        QVERIFY2(!themed.isNull(), c.name);
        QCOMPARE(render(themed, 16), render(ImageListActions::icon(c.index), 16));
    }
    QVERIFY(!QIcon::fromTheme(u"brindlepad"_s).isNull());

    QIcon::setThemeName(oldName);
    QIcon::setThemeSearchPaths(oldPaths);
}

void TestIcons::applicationIconCoversSmallAndLargeSizes()
{
    const QIcon icon = ImageListActions::applicationIcon();
    QVERIFY(!icon.isNull());
    for (int size : {16, 32, 48, 256}) {
        const QImage image = render(icon, size);
        QCOMPARE(image.size(), QSize(size, size));
        QVERIFY(paintedPixels(image) > size * size / 3);
    }
    // The 16-pixel drawing is its own, not the large one scaled down.
    const QImage scaledLogo =
        render(icon, 32).scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QVERIFY(render(icon, 16) != scaledLogo);
}

void TestIcons::productLogoIsOpaqueAndDrawn()
{
    const QImage logo = ImageListActions::productLogo().toImage();
    QCOMPARE(logo.size(), QSize(128, 128));
    QCOMPARE(logo.pixelColor(0, 0), QColor(Qt::white));
    QCOMPARE(logo.pixelColor(127, 127).alpha(), 255);
    int drawn = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            if (logo.pixelColor(x, y) != QColor(Qt::white))
                ++drawn;
    QVERIFY(drawn > 128 * 128 / 2);
}

BP_TEST(TestIcons)
#include "tst_icons.moc"
