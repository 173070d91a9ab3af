#include "app/application.h"
#include "common/error.h"
#include "test_runner.h"

#include <QTest>
#include <new>

using namespace Qt::StringLiterals;

using namespace bp;

namespace {

// Throws the failure it was given from its event handler, as a slot that escaped the
// command boundary would.
class Thrower : public QObject
{
public:
    std::function<void()> failure;
    bool event(QEvent *) override
    {
        failure();
        return true;
    }
};

} // namespace

// The last-resort catch of the application object: what it shows for each kind of failure.
class TestApplication : public QObject
{
    Q_OBJECT

private slots:
    void escapedFailuresAreReported_data()
    {
        QTest::addColumn<std::function<void()>>("failure");
        QTest::addColumn<QStringList>("reported");
        QTest::newRow("error") << std::function<void()>([] { throw Error(u"Сбой"_s); })
                               << QStringList{u"Сбой"_s};
        QTest::newRow("out of memory") << std::function<void()>([] { throw std::bad_alloc(); })
                                       << QStringList{outOfMemoryMessage()};
        QTest::newRow("silent abort")
            << std::function<void()>([] { throw SilentAbort(); }) << QStringList{};
        QTest::newRow("anything else")
            << std::function<void()>([] { throw std::logic_error("unexpected"); })
            << QStringList{QString()};
    }
    void escapedFailuresAreReported()
    {
        QFETCH(std::function<void()>, failure);
        QFETCH(QStringList, reported);
        auto *application = static_cast<TApplication *>(QCoreApplication::instance());
        QStringList shown;
        application->reportFailure = [&](const QString &text) { shown << text; };
        Thrower thrower;
        thrower.failure = failure;
        QEvent event(QEvent::User);
        QVERIFY(!QCoreApplication::sendEvent(&thrower, &event));
        application->reportFailure = nullptr;
        QCOMPARE(shown, reported);
    }
};

BP_TEST(TestApplication)
BP_TEST_PROGRAM({.makeApplication = [](int &argc, char **argv) {
    return std::unique_ptr<QCoreApplication>(new TApplication(argc, argv));
}})

#include "tst_application.moc"
