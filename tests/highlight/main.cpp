#include "tst_highlighter_framework.h"
#include "tst_qpile_scanner.h"
#include "tst_range_rescanner.h"

#include <QGuiApplication>
#include <QTest>

int main(int argc, char **argv)
{
    QGuiApplication application(argc, argv);
    int failures = 0;
    {
        TstHighlighterFramework test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        TstQpileScanner test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        TstRangeRescanner test;
        failures += QTest::qExec(&test, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
