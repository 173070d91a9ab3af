#include "editor/model/edit_model.h"
#include "editor/view/editor_pane.h"
#include "editor/view/system_clipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace bp;

class TestEditorPane : public QObject
{
    Q_OBJECT

    struct Fixture
    {
        QWidget window;
        TEditorPane *pane;
        QLineEdit *other;
        int changes = 0;
        Fixture()
        {
            auto *layout = new QVBoxLayout(&window);
            pane = new TEditorPane;
            other = new QLineEdit;
            layout->addWidget(pane);
            layout->addWidget(other);
            window.resize(900, 400);
            window.show();
            pane->OnChange = [this] { ++changes; };
            pane->SetFocus();
            QApplication::setActiveWindow(&window);
        }
    };

private slots:
    void typingNotifiesOncePerCharacter()
    {
        Fixture f;
        QTest::keyClicks(f.pane, u"abc"_qs);
        QCOMPARE(f.changes, 3);
        QCOMPARE(f.pane->Lines()[0], u"abc"_qs);
        QCOMPARE(f.pane->model().CaretXY(), (TBufferCoord{4, 1}));
    }

    void pastingThreeLinesNotifiesOnce()
    {
        Fixture f;
        QGuiApplication::clipboard()->setText(u"one\r\ntwo\r\nthree"_qs);
        QVERIFY(f.pane->UpdateAction(TEditAction::Paste));
        QVERIFY(f.pane->ExecuteAction(TEditAction::Paste));
        QCOMPARE(f.changes, 1);
        QCOMPARE(f.pane->Lines().Count(), 3);
        QVERIFY(f.pane->ExecuteAction(TEditAction::Undo));
        QVERIFY(f.changes >= 2);
        QCOMPARE(f.pane->Lines().text(), QString());
    }

    void actionsFollowTheFocus()
    {
        Fixture f;
        QTest::keyClicks(f.pane, u"abc"_qs);
        f.pane->model().SelectAll();
        QVERIFY(f.pane->UpdateAction(TEditAction::Copy));
        QVERIFY(f.pane->UpdateAction(TEditAction::Delete));
        QSignalSpy state(f.pane, &TCustomEditorPane::actionStateChanged);
        f.other->setFocus();
        QVERIFY(state.count() > 0);
        QVERIFY(!f.pane->model().SelText().isEmpty());
        for (TEditAction action : {TEditAction::Copy, TEditAction::Cut, TEditAction::Paste,
                                   TEditAction::Undo, TEditAction::Delete, TEditAction::SelectAll})
            QVERIFY(!f.pane->UpdateAction(action));
        QVERIFY(!f.pane->ExecuteAction(TEditAction::Delete));
        QCOMPARE(f.pane->Lines()[0], u"abc"_qs);
    }

    void privateBlockFormatCarriesTheMode()
    {
        Fixture f;
        f.pane->Lines().setText(u"abc\ndef"_qs);
        f.pane->model().setSelectionMode(TSelectionMode::smColumn);
        f.pane->model().SetBlockBegin({2, 1});
        f.pane->model().SetBlockEnd({3, 2});
        QVERIFY(f.pane->ExecuteAction(TEditAction::Copy));
        const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
        QVERIFY(mime->hasFormat(blockClipboardMimeType()));
        QCOMPARE(mime->text(), u"b\r\ne"_qs);
        QCOMPARE(mime->data(blockClipboardMimeType()), QByteArray("\x02"
                                                                  "b\r\ne\0",
                                                                  6));
    }

    void gutterWidensAtLine10000()
    {
        Fixture f;
        for (int i = 0; i < 9999; ++i)
            f.pane->Lines().Add(QString());
        const int fourDigits = f.pane->gutterWidth();
        QCOMPARE(fourDigits, 2 + 4 * QFontMetrics(gutterFont()).horizontalAdvance(u'0') + 2);
        f.pane->Lines().Add(QString());
        QCOMPARE(f.pane->gutterWidth() - fourDigits,
                 QFontMetrics(gutterFont()).horizontalAdvance(u'0'));
    }

    void clickPlacesTheCaretInVirtualSpace()
    {
        Fixture f;
        f.pane->Lines().setText(u"ab\ncd"_qs);
        const int x = f.pane->gutterWidth() + 10 * f.pane->charWidth() + 1;
        const int y = f.pane->lineHeight() + 2;
        QTest::mouseClick(f.pane->viewport(), Qt::LeftButton, {}, QPoint(x, y));
        QCOMPARE(f.pane->model().CaretXY(), (TBufferCoord{11, 2}));
        // A click in the gutter goes to column 1; shift+click selects.
        QTest::mouseClick(f.pane->viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(2, 2));
        QCOMPARE(f.pane->model().CaretXY(), (TBufferCoord{1, 1}));
        QCOMPARE(f.pane->model().SelText(), u"ab\r\ncd"_qs);
        // The right button leaves caret and selection alone.
        QTest::mouseClick(f.pane->viewport(), Qt::RightButton, {}, QPoint(x, 2));
        QCOMPARE(f.pane->model().CaretXY(), (TBufferCoord{1, 1}));
        QVERIFY(f.pane->model().SelAvail());
    }

    void longLinesStayReachable()
    {
        Fixture f;
        f.pane->Lines().setText(QString(3000, u'x'));
        QTest::keyClick(f.pane, Qt::Key_End);
        QCOMPARE(f.pane->model().CaretXY(), (TBufferCoord{3001, 1}));
        QTest::keyClicks(f.pane, u"y"_qs);
        QCOMPARE(f.pane->Lines()[0].right(2), u"xy"_qs);
        QVERIFY(f.pane->horizontalScrollBar()->maximum() >= 3002 - f.pane->model().CharsInWindow());
    }

    void paintsGutterActiveLineAndRightEdge()
    {
        Fixture f;
        f.pane->Lines().setText(u"first\nsecond"_qs);
        f.pane->model().SetCaretXY({1, 2});
        QImage image(f.pane->viewport()->size(), QImage::Format_RGB32);
        f.pane->viewport()->render(&image);
        const int lineHeight = f.pane->lineHeight();
        const int textX = f.pane->gutterWidth() + 30 * f.pane->charWidth();
        QCOMPARE(QColor(image.pixel(textX, lineHeight + lineHeight / 2)),
                 f.pane->activeLineColor());
        QCOMPARE(QColor(image.pixel(textX, lineHeight / 2)), QColor(Qt::white));
        const int edgeX = f.pane->gutterWidth() + 80 * f.pane->charWidth();
        QCOMPARE(QColor(image.pixel(edgeX, 3 * lineHeight)), QColor(0xC0, 0xC0, 0xC0));
        // The gutter runs from the window colour at its left edge to the button face.
        QCOMPARE(QColor(image.pixel(0, 5 * lineHeight)), f.pane->palette().color(QPalette::Base));
        QCOMPARE(QColor(image.pixel(f.pane->gutterWidth() - 1, 5 * lineHeight)),
                 f.pane->palette().color(QPalette::Button));
    }

private:
    static QFont gutterFont()
    {
        QFont font(u"Courier New"_qs);
        font.setStyleHint(QFont::TypeWriter);
        font.setPixelSize(11);
        return font;
    }
};

QTEST_MAIN(TestEditorPane)
#include "test_editor_pane.moc"
