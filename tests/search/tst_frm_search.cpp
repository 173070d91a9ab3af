#include "search/view/frm_search.h"
#include "test_runner.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace Qt::StringLiterals;

using namespace bp;

namespace {

// Runs Execute while `act` drives the dialog from inside its modal loop.
std::optional<TSearchSettings> execute(const TSearchSettings &settings,
                                       const std::function<void(Tfrm_Search &)> &act)
{
    QTimer::singleShot(0, [act] {
        auto *dialog = qobject_cast<Tfrm_Search *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        act(*dialog);
    });
    return Tfrm_Search::Execute(nullptr, settings);
}

TSearchSettings shownBy(Tfrm_Search &dialog)
{
    TSearchSettings shown;
    shown.SearchText = dialog.cbSearchText->currentText();
    shown.Backwards = dialog.rbBackward->isChecked();
    shown.CaseSensitive = dialog.cbSearchCaseSensitive->isChecked();
    shown.WholeWords = dialog.cbSearchWholeWords->isChecked();
    shown.FromCursor = dialog.cbSearchFromCursor->isChecked();
    shown.SelectedOnly = dialog.cbSearchSelectedOnly->isChecked();
    return shown;
}

} // namespace

class TestFrmSearch : public QObject
{
    Q_OBJECT

private slots:
    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("Label1") << u"Label1"_s << u"frm_Search"_s << u"Искать:"_s
                                << QRect(8, 12, 40, 13);
        QTest::newRow("cbSearchText")
            << u"cbSearchText"_s << u"frm_Search"_s << QString() << QRect(54, 8, 270, 21);
        QTest::newRow("gbSearchOptions")
            << u"gbSearchOptions"_s << u"frm_Search"_s << u"Options"_s << QRect(8, 40, 154, 111);
        QTest::newRow("cbSearchCaseSensitive") << u"cbSearchCaseSensitive"_s << u"gbSearchOptions"_s
                                               << u"Учитывать регистр"_s << QRect(8, 17, 140, 17);
        QTest::newRow("cbSearchWholeWords") << u"cbSearchWholeWords"_s << u"gbSearchOptions"_s
                                            << u"Только целые слова"_s << QRect(8, 39, 140, 17);
        QTest::newRow("cbSearchFromCursor") << u"cbSearchFromCursor"_s << u"gbSearchOptions"_s
                                            << u"Поиск от указателя"_s << QRect(8, 61, 140, 17);
        QTest::newRow("cbSearchSelectedOnly") << u"cbSearchSelectedOnly"_s << u"gbSearchOptions"_s
                                              << u"В выделенном"_s << QRect(8, 83, 140, 17);
        QTest::newRow("rgSearchDirection") << u"rgSearchDirection"_s << u"frm_Search"_s
                                           << u"Направление"_s << QRect(170, 40, 154, 65);
        QTest::newRow("btnOK") << u"btnOK"_s << u"frm_Search"_s << u"OK"_s
                               << QRect(168, 130, 75, 23);
        QTest::newRow("btnCancel")
            << u"btnCancel"_s << u"frm_Search"_s << u"Отмена"_s << QRect(249, 130, 75, 23);
    }

    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QFETCH(QString, caption);
        QFETCH(QRect, geometry);
        Tfrm_Search dialog;
        auto *control = dialog.findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->parentWidget()->objectName(), parent);
        if (name == u"Label1"_s) {
            // The caption widens to its text in the font actually used.
            QCOMPARE(control->pos(), geometry.topLeft());
            QVERIFY(control->width() >= geometry.width() && control->height() >= geometry.height());
        } else if (name == u"cbSearchText"_s) {
            // The field gives way to a wider caption and keeps its right edge.
            QCOMPARE(control->y(), geometry.y());
            QCOMPARE(control->geometry().right(), geometry.right());
            QCOMPARE(control->height(), geometry.height());
        } else {
            QCOMPARE(control->geometry(), geometry);
        }
        QString shown;
        if (auto *label = qobject_cast<QLabel *>(control))
            shown = label->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(control))
            shown = button->text();
        else if (auto *group = qobject_cast<QGroupBox *>(control))
            shown = group->title();
        QCOMPARE(shown, caption);
    }

    void window()
    {
        Tfrm_Search dialog;
        QCOMPARE(dialog.windowTitle(), u"Поиск"_s);
        QCOMPARE(dialog.size(), QSize(341, 161));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(!(dialog.windowFlags() & Qt::WindowMinMaxButtonsHint));
        QCOMPARE(dialog.font().family(), u"Tahoma"_s);
        QCOMPARE(dialog.font().pixelSize(), 11);
        QVERIFY(dialog.btnOK->isDefault());
        QCOMPARE(dialog.rbForward->text(), u"Вперед"_s);
        QCOMPARE(dialog.rbBackward->text(), u"Назад"_s);
        QVERIFY(dialog.cbSearchText->isEditable());
    }

    void tabOrder()
    {
        Tfrm_Search dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QList<QWidget *> expected = {dialog.cbSearchCaseSensitive,
                                           dialog.cbSearchWholeWords,
                                           dialog.cbSearchFromCursor,
                                           dialog.cbSearchSelectedOnly,
                                           dialog.rbForward,
                                           dialog.btnOK,
                                           dialog.btnCancel,
                                           dialog.cbSearchText};
        QCOMPARE(QApplication::focusWidget(), dialog.cbSearchText);
        for (QWidget *next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void propertiesReadAndWriteTheControls()
    {
        Tfrm_Search dialog;
        dialog.SetSearchText(u"SET_VALUE"_s);
        dialog.SetBackwards(true);
        dialog.SetCaseSensitive(true);
        dialog.SetWholeWords(true);
        dialog.SetFromCursor(true);
        dialog.SetSelectedOnly(true);
        const TSearchSettings all{u"SET_VALUE"_s, true, true, true, true, true};
        QCOMPARE(shownBy(dialog), all);
        QCOMPARE(dialog.cbSearchText->count(), 0);
        dialog.SetBackwards(false);
        QVERIFY(dialog.rbForward->isChecked());
        dialog.cbSearchSelectedOnly->setChecked(false);
        dialog.cbSearchText->setEditText(u"typed"_s);
        QCOMPARE(dialog.SelectedOnly(), false);
        QCOMPARE(dialog.Backwards(), false);
        QCOMPARE(dialog.SearchText(), u"typed"_s);
    }

    void firstOpeningIsEmptyAndForward()
    {
        TSearchSettings shown{u"x"_s, true, true, true, true, true};
        QPoint centre, desktopCentre;
        const auto result = execute(TSearchSettings(), [&](Tfrm_Search &dialog) {
            shown = shownBy(dialog);
            centre = dialog.frameGeometry().center();
            desktopCentre = dialog.screen()->availableGeometry().center();
            dialog.btnCancel->click();
        });
        QCOMPARE(shown, TSearchSettings());
        QVERIFY(!result);
        QCOMPARE(centre, desktopCentre);
    }

    void okReturnsWhatTheUserSet()
    {
        const auto result = execute(TSearchSettings(), [](Tfrm_Search &dialog) {
            QTest::keyClicks(dialog.cbSearchText->lineEdit(), u"SET_VALUE"_s);
            dialog.rbBackward->click();
            dialog.cbSearchWholeWords->click();
            QTest::keyClick(dialog.cbSearchText->lineEdit(), Qt::Key_Return);
        });
        TSearchSettings expected;
        expected.SearchText = u"SET_VALUE"_s;
        expected.Backwards = true;
        expected.WholeWords = true;
        QCOMPARE(result, std::optional(expected));

        // The next opening shows them, and the list still holds no history.
        TSearchSettings shown;
        int listed = -1;
        execute(expected, [&](Tfrm_Search &dialog) {
            shown = shownBy(dialog);
            listed = dialog.cbSearchText->count();
            dialog.reject();
        });
        QCOMPARE(shown, expected);
        QCOMPARE(listed, 0);
    }

    void okWithAnEmptyTextIsAccepted()
    {
        const auto result = execute(TSearchSettings(), [](Tfrm_Search &dialog) {
            dialog.cbSearchFromCursor->click();
            dialog.btnOK->click();
        });
        TSearchSettings expected;
        expected.FromCursor = true;
        QCOMPARE(result, std::optional(expected));
    }

    void escapeAndTheCloseBoxCancel_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("Esc") << 0;
        QTest::newRow("close box") << 1;
    }

    void escapeAndTheCloseBoxCancel()
    {
        QFETCH(int, how);
        const auto result = execute(TSearchSettings(), [how](Tfrm_Search &dialog) {
            dialog.cbSearchCaseSensitive->click();
            if (how == 0)
                QTest::keyClick(dialog.cbSearchText->lineEdit(), Qt::Key_Escape);
            else
                dialog.close();
        });
        QVERIFY(!result);
    }
};

BP_TEST(TestFrmSearch)
#include "tst_frm_search.moc"
