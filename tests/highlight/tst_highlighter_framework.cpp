#include "tst_highlighter_framework.h"
#include "test_runner.h"

#include "common/error.h"
#include "highlight/qpile_highlighter.h"
#include "platform/settings_store.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace bp;

namespace {

// A highlighter with no scanner, to register arbitrary attributes.
class BareHighlighter : public TCustomHighlighter
{
public:
    THighlighterAttributes *add(const QString &name)
    {
        return RegisterAttribute(std::make_unique<THighlighterAttributes>(name, name));
    }
    void bind()
    {
        BindAttributeChanges([this](THighlighterAttributes *sender) {
            HighlighterChanged(TChangeSender::fromAttribute(sender));
        });
    }
    THighlighterAttributes *GetDefaultAttribute(int) const override { return nullptr; }
    bool GetEol() const override { return true; }
    THighlighterAttributes *GetTokenAttribute() const override { return nullptr; }
    TTokenKind GetTokenKind() const override { return 0; }
};

// Records every notification of a highlighter's chain.
struct Recorder
{
    QStringList calls;
    THookId id = 0;

    void hook(TCustomHighlighter &highlighter)
    {
        id = highlighter.HookAttrChangeEvent([this](const TChangeSender &sender) {
            if (sender.isNone())
                calls << u"none"_s;
            else if (sender.attribute)
                calls << sender.attribute->Name();
            else
                calls << u"highlighter"_s;
        });
    }
};

// A store that cannot be written.
class ReadOnlyStore : public SettingsStore
{
public:
    std::vector<StoredInteger> readIntegers(const QStringList &names) override
    {
        return std::vector<StoredInteger>(std::size_t(names.size()));
    }
    void writeIntegers(const std::vector<std::pair<QString, int>> &) override
    {
        throw Error(u"read-only"_s);
    }
    bool hasGroup(const QString &) override { return true; }
    bool isWritable() override { return false; }
};

} // namespace

void TstHighlighterFramework::newAttribute()
{
    THighlighterAttributes attribute(u"Name"_s, u"Friendly"_s);
    QCOMPARE(attribute.Name(), u"Name"_s);
    QCOMPARE(attribute.FriendlyName(), u"Friendly"_s);
    QCOMPARE(attribute.Foreground(), clNone);
    QCOMPARE(attribute.Background(), clNone);
    QCOMPARE(attribute.Style(), TFontStyles());
    QCOMPARE(attribute.IntegerStyle(), 0);
}

void TstHighlighterFramework::attributeChangeNotifies()
{
    THighlighterAttributes attribute(u"A"_s, u"A"_s);
    QList<THighlighterAttributes *> senders;
    attribute.SetOnChange([&](THighlighterAttributes *sender) { senders << sender; });
    attribute.SetForeground(clRed);
    attribute.SetForeground(clRed);
    attribute.SetBackground(clBlue);
    attribute.SetStyle(TFontStyle::fsBold);
    attribute.SetStyle(TFontStyle::fsBold);
    attribute.SetIntegerStyle(1);
    QCOMPARE(senders.size(), 3);
    QCOMPARE(senders.first(), &attribute);
    QVERIFY(attribute.IsForegroundStored());
    attribute.InternalSaveDefaultValues();
    QVERIFY(!attribute.IsForegroundStored());
    QVERIFY(!attribute.IsBackgroundStored());
    QVERIFY(!attribute.IsStyleStored());
}

void TstHighlighterFramework::assignColorAndStyleNotifiesOnce()
{
    THighlighterAttributes source(u"S"_s, u"S"_s);
    source.SetForeground(clRed);
    source.SetBackground(clYellow);
    source.SetStyle(TFontStyle::fsItalic | TFontStyle::fsUnderline);
    THighlighterAttributes target(u"T"_s, u"T"_s);
    int calls = 0;
    target.SetOnChange([&](THighlighterAttributes *) { ++calls; });
    target.AssignColorAndStyle(source);
    QCOMPARE(calls, 1);
    QCOMPARE(target.Foreground(), clRed);
    QCOMPARE(target.Background(), clYellow);
    QCOMPARE(target.Style(), TFontStyle::fsItalic | TFontStyle::fsUnderline);
    QCOMPARE(target.Name(), u"T"_s);
    target.AssignColorAndStyle(source);
    QCOMPARE(calls, 1);
}

void TstHighlighterFramework::attributeAssignCopiesName()
{
    THighlighterAttributes source(u"Source"_s, u"Friendly source"_s);
    source.SetForeground(clPurple);
    THighlighterAttributes target(u"Target"_s, u"Friendly target"_s);
    target.Assign(source);
    QCOMPARE(target.Name(), u"Source"_s);
    QCOMPARE(target.FriendlyName(), u"Friendly target"_s);
    QCOMPARE(target.Foreground(), clPurple);
}

void TstHighlighterFramework::integerStyle_data()
{
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("read");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<bool>("underline");
    QTest::addColumn<bool>("strikeOut");
    QTest::newRow("0") << 0 << 0 << false << false << false << false;
    QTest::newRow("bold") << 1 << 1 << true << false << false << false;
    QTest::newRow("italic") << 2 << 2 << false << true << false << false;
    QTest::newRow("bold underline") << 5 << 5 << true << false << true << false;
    QTest::newRow("strike-out") << 8 << 8 << false << false << false << true;
    QTest::newRow("all") << 15 << 15 << true << true << true << true;
    QTest::newRow("higher bits ignored") << 0x31 << 1 << true << false << false << false;
    QTest::newRow("negative") << -1 << 15 << true << true << true << true;
}

void TstHighlighterFramework::integerStyle()
{
    QFETCH(int, written);
    QFETCH(int, read);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(bool, underline);
    QFETCH(bool, strikeOut);
    THighlighterAttributes attribute(u"A"_s, u"A"_s);
    attribute.SetIntegerStyle(written);
    QCOMPARE(attribute.IntegerStyle(), read);
    QCOMPARE(attribute.Style().testFlag(TFontStyle::fsBold), bold);
    QCOMPARE(attribute.Style().testFlag(TFontStyle::fsItalic), italic);
    QCOMPARE(attribute.Style().testFlag(TFontStyle::fsUnderline), underline);
    QCOMPARE(attribute.Style().testFlag(TFontStyle::fsStrikeOut), strikeOut);
}

void TstHighlighterFramework::updateBracketDefersToOneNotification()
{
    TQPILEHighlighter highlighter;
    Recorder recorder;
    recorder.hook(highlighter);

    highlighter.KeyAttri()->SetForeground(clMaroon);
    QCOMPARE(recorder.calls, QStringList{u"Key"_s});

    recorder.calls.clear();
    highlighter.BeginUpdate();
    highlighter.KeyAttri()->SetForeground(clOlive);
    highlighter.CommentAttri()->SetStyle(TFontStyle::fsBold);
    QCOMPARE(recorder.calls, QStringList());
    highlighter.EndUpdate();
    QCOMPARE(recorder.calls, QStringList{u"none"_s});
}

void TstHighlighterFramework::nestedUpdates()
{
    TQPILEHighlighter highlighter;
    Recorder recorder;
    recorder.hook(highlighter);
    highlighter.BeginUpdate();
    highlighter.BeginUpdate();
    highlighter.StringAttri()->SetBackground(clWhite);
    highlighter.EndUpdate();
    QCOMPARE(recorder.calls, QStringList());
    highlighter.EndUpdate();
    QCOMPARE(recorder.calls, QStringList{u"none"_s});
    highlighter.EndUpdate();
    QCOMPARE(recorder.calls.size(), 1);
}

void TstHighlighterFramework::endUpdateWithoutBeginDoesNothing()
{
    TQPILEHighlighter highlighter;
    Recorder recorder;
    recorder.hook(highlighter);
    highlighter.EndUpdate();
    highlighter.MainAttri()->SetForeground(clTeal);
    QCOMPARE(recorder.calls, QStringList{u"Main"_s});
}

void TstHighlighterFramework::updateWithoutChangeNotifiesNobody()
{
    TQPILEHighlighter highlighter;
    Recorder recorder;
    recorder.hook(highlighter);
    highlighter.BeginUpdate();
    highlighter.KeyAttri()->SetForeground(clGreen);
    highlighter.EndUpdate();
    QCOMPARE(recorder.calls, QStringList());
}

void TstHighlighterFramework::enabledNotifies()
{
    TQPILEHighlighter highlighter;
    Recorder recorder;
    recorder.hook(highlighter);
    highlighter.SetEnabled(true);
    QCOMPARE(recorder.calls, QStringList());
    highlighter.SetEnabled(false);
    QCOMPARE(recorder.calls, QStringList{u"none"_s});
    QCOMPARE(highlighter.Enabled(), false);
}

void TstHighlighterFramework::unhookStopsNotifications()
{
    TQPILEHighlighter highlighter;
    Recorder first;
    Recorder second;
    first.hook(highlighter);
    second.hook(highlighter);
    QVERIFY(first.id != second.id);
    highlighter.KeyAttri()->SetForeground(clRed);
    highlighter.UnhookAttrChangeEvent(first.id);
    highlighter.KeyAttri()->SetForeground(clBlue);
    QCOMPARE(first.calls.size(), 1);
    QCOMPARE(second.calls.size(), 2);
    highlighter.UnhookAttrChangeEvent(first.id);
    highlighter.UnhookAttrChangeEvent(0);
    QCOMPARE(second.calls.size(), 2);
}

void TstHighlighterFramework::handlerMayUnhookItselfWhileNotified()
{
    TQPILEHighlighter highlighter;
    int calls = 0;
    THookId id = 0;
    id = highlighter.HookAttrChangeEvent([&](const TChangeSender &) {
        ++calls;
        highlighter.UnhookAttrChangeEvent(id);
    });
    Recorder later;
    later.hook(highlighter);
    highlighter.KeyAttri()->SetForeground(clRed);
    highlighter.KeyAttri()->SetForeground(clBlue);
    QCOMPARE(calls, 1);
    QCOMPARE(later.calls.size(), 2);
}

void TstHighlighterFramework::loadingSuppressesNotifications()
{
    TQPILEHighlighter highlighter;
    Recorder recorder;
    recorder.hook(highlighter);
    highlighter.BeginLoading();
    highlighter.KeyAttri()->SetForeground(clRed);
    QCOMPARE(recorder.calls, QStringList());
    highlighter.Loaded();
    QCOMPARE(recorder.calls, QStringList{u"none"_s});
    QCOMPARE(highlighter.IsLoading(), false);
}

void TstHighlighterFramework::destroyNotification()
{
    auto highlighter = std::make_unique<TQPILEHighlighter>();
    TCustomHighlighter *attached = highlighter.get();
    int attrCalls = 0;
    const THookId hook = attached->HookAttrChangeEvent([&](const TChangeSender &) { ++attrCalls; });
    QList<TCustomHighlighter *> destroyed;
    int removedCalls = 0;
    const THookId removed =
        attached->AddDestroyHandler([&](TCustomHighlighter *) { ++removedCalls; });
    attached->AddDestroyHandler([&](TCustomHighlighter *sender) {
        destroyed << sender;
        // What an editor does on detaching.
        sender->UnhookAttrChangeEvent(hook);
        attached = nullptr;
    });
    attached->RemoveDestroyHandler(removed);
    highlighter.reset();
    QCOMPARE(destroyed.size(), 1);
    QVERIFY(destroyed.first() != nullptr);
    QCOMPARE(attached, nullptr);
    QCOMPARE(removedCalls, 0);
    QCOMPARE(attrCalls, 0);
}

void TstHighlighterFramework::attributeListIsSortedWithoutCase()
{
    BareHighlighter highlighter;
    highlighter.add(u"beta"_s);
    highlighter.add(u"Alpha"_s);
    highlighter.add(u"gamma"_s);
    highlighter.add(u"Delta"_s);
    QStringList names;
    for (int i = 0; i < highlighter.AttrCount(); ++i)
        names << highlighter.GetAttribute(i)->Name();
    QCOMPARE(names, (QStringList{u"Alpha"_s, u"beta"_s, u"Delta"_s, u"gamma"_s}));
}

void TstHighlighterFramework::duplicateAttributeName_data()
{
    QTest::addColumn<QString>("second");
    QTest::newRow("same name") << u"Comment"_s;
    QTest::newRow("other letter case") << u"COMMENT"_s;
}

void TstHighlighterFramework::duplicateAttributeName()
{
    QFETCH(QString, second);
    BareHighlighter highlighter;
    highlighter.add(u"Comment"_s);
    highlighter.add(u"String"_s);
    QString message;
    try {
        highlighter.add(second);
    } catch (const Error &error) {
        message = error.message();
    }
    QCOMPARE(message, u"String list does not allow duplicates"_s);
    QCOMPARE(highlighter.AttrCount(), 2);
}

void TstHighlighterFramework::attributeIndexOutOfRange()
{
    BareHighlighter bare;
    QCOMPARE(bare.AttrCount(), 0);
    QCOMPARE(bare.GetAttribute(0), nullptr);
    TQPILEHighlighter highlighter;
    QCOMPARE(highlighter.GetAttribute(-1), nullptr);
    QCOMPARE(highlighter.GetAttribute(highlighter.AttrCount()), nullptr);
    QVERIFY(highlighter.GetAttribute(highlighter.AttrCount() - 1) != nullptr);
}

void TstHighlighterFramework::highlighterAssign()
{
    TQPILEHighlighter source;
    source.KeyAttri()->SetForeground(clFuchsia);
    source.CommentAttri()->SetStyle(TFontStyle::fsUnderline);
    source.SetDefaultFilter(u"QPILE (*.qpl)|*.qpl"_s);
    source.SetEnabled(false);

    TQPILEHighlighter target;
    Recorder recorder;
    recorder.hook(target);
    target.Assign(source);
    QCOMPARE(target.KeyAttri()->Foreground(), clFuchsia);
    QCOMPARE(target.CommentAttri()->Style(), TFontStyles(TFontStyle::fsUnderline));
    QCOMPARE(target.CommentAttri()->Foreground(), clNavy);
    QCOMPARE(target.DefaultFilter(), u"QPILE (*.qpl)|*.qpl"_s);
    QCOMPARE(target.Enabled(), false);
    QCOMPARE(recorder.calls, (QStringList{u"Comment"_s, u"Key"_s, u"none"_s}));
}

void TstHighlighterFramework::baseDefaults()
{
    BareHighlighter highlighter;
    QCOMPARE(highlighter.GetLanguageName(), u"<Unknown>"_s);
    QCOMPARE(highlighter.GetFriendlyLanguageName(), u"<Unknown>"_s);
    QCOMPARE(highlighter.DefaultFilter(), QString());
    QCOMPARE(highlighter.IsFilterStored(), true);
    QCOMPARE(highlighter.SampleSource(), QString());
    QCOMPARE(highlighter.GetKeyWords(0), QString());
    QCOMPARE(highlighter.GetRange(), TRange(0));
    QCOMPARE(highlighter.UseUserSettings(0), false);
    QStringList settings{u"x"_s};
    highlighter.EnumUserSettings(settings);
    QCOMPARE(settings, QStringList());
    QVERIFY(highlighter.AdditionalIdentChars().isEmpty());
    QVERIFY(highlighter.AdditionalWordBreakChars().isEmpty());
    QCOMPARE(highlighter.GetToken(), QString());
}

void TstHighlighterFramework::wordCharacters_data()
{
    QTest::addColumn<QChar>("c");
    QTest::addColumn<bool>("ident");
    QTest::addColumn<bool>("white");
    QTest::addColumn<bool>("wordBreak");

    QTest::newRow("a") << QChar(u'a') << true << false << false;
    QTest::newRow("Z") << QChar(u'Z') << true << false << false;
    QTest::newRow("0") << QChar(u'0') << true << false << false;
    QTest::newRow("9") << QChar(u'9') << true << false << false;
    QTest::newRow("_ is no word break") << QChar(u'_') << true << false << false;
    QTest::newRow("U+0000") << QChar(u'\0') << false << true << true;
    QTest::newRow("tab") << QChar(u'\t') << false << true << true;
    QTest::newRow("blank") << QChar(u' ') << false << true << true;
    QTest::newRow("/") << QChar(u'/') << false << false << true;
    QTest::newRow(":") << QChar(u':') << false << false << true;
    QTest::newRow("@") << QChar(u'@') << false << false << true;
    QTest::newRow("[") << QChar(u'[') << false << false << true;
    QTest::newRow("^") << QChar(u'^') << false << false << true;
    QTest::newRow("`") << QChar(u'`') << false << false << true;
    QTest::newRow("{") << QChar(u'{') << false << false << true;
    QTest::newRow("~") << QChar(u'~') << false << false << true;
    QTest::newRow("U+007F is white") << QChar(u'\x7f') << false << true << false;
    QTest::newRow("section sign") << QChar(u'§') << false << false << true;
    QTest::newRow("degree sign") << QChar(u'°') << false << false << true;
    QTest::newRow("Cyrillic ghe with upturn") << QChar(u'ґ') << false << false << true;
    QTest::newRow("Cyrillic de is white") << QChar(u'д') << false << true << false;
    QTest::newRow("Latin e acute is white") << QChar(u'é') << false << true << false;
    QTest::newRow("no-break space is white") << QChar(u'\xa0') << false << true << false;
}

void TstHighlighterFramework::wordCharacters()
{
    QFETCH(QChar, c);
    QFETCH(bool, ident);
    QFETCH(bool, white);
    QFETCH(bool, wordBreak);

    BareHighlighter bare;
    TQPILEHighlighter qpile;
    for (TCustomHighlighter *highlighter :
         {static_cast<TCustomHighlighter *>(&bare), static_cast<TCustomHighlighter *>(&qpile)}) {
        QCOMPARE(highlighter->IsIdentChar(c), ident);
        QCOMPARE(highlighter->IsWhiteChar(c), white);
        QCOMPARE(highlighter->IsWordBreakChar(c), wordBreak);
        QCOMPARE(highlighter->IsEditorIdentChar(c), ident);
        QCOMPARE(highlighter->IsEditorWordBreakChar(c), wordBreak);
    }
}

void TstHighlighterFramework::editorWordCharacters()
{
    TQPILEHighlighter highlighter;
    highlighter.SetAdditionalIdentChars(TCharSet8{u'$', u'§'});
    highlighter.SetAdditionalWordBreakChars(TCharSet8{u'_', u'$'});
    // An additional identifier character is never an editor word break.
    QCOMPARE(highlighter.IsEditorIdentChar(QChar(u'$')), true);
    QCOMPARE(highlighter.IsEditorWordBreakChar(QChar(u'$')), false);
    QCOMPARE(highlighter.IsEditorIdentChar(QChar(u'§')), true);
    QCOMPARE(highlighter.IsEditorWordBreakChar(QChar(u'§')), false);
    // An additional word break takes an identifier character away.
    QCOMPARE(highlighter.IsEditorIdentChar(QChar(u'_')), false);
    QCOMPARE(highlighter.IsEditorWordBreakChar(QChar(u'_')), true);
    // Characters above U+00FF are in neither set.
    QCOMPARE(highlighter.IsEditorIdentChar(QChar(u'д')), false);
    QCOMPARE(highlighter.IsEditorIdentChar(QChar(u'a')), true);
    // The scanner itself is unchanged.
    QCOMPARE(highlighter.IsIdentChar(QChar(u'$')), false);
}

void TstHighlighterFramework::colours_data()
{
    QTest::addColumn<quint32>("color");
    QTest::addColumn<QString>("name");
    QTest::newRow("clNavy") << quint32(clNavy) << u"#000080"_s;
    QTest::newRow("controls violet") << quint32(clControlsViolet) << u"#8000ff"_s;
    QTest::newRow("clGreen") << quint32(clGreen) << u"#008000"_s;
    QTest::newRow("clBlue") << quint32(clBlue) << u"#0000ff"_s;
    QTest::newRow("clRed") << quint32(clRed) << u"#ff0000"_s;
    QTest::newRow("clPurple") << quint32(clPurple) << u"#800080"_s;
    QTest::newRow("clSilver") << quint32(clSilver) << u"#c0c0c0"_s;
    QTest::newRow("rgbToTColor") << quint32(rgbToTColor(0x12, 0x34, 0x56)) << u"#123456"_s;
    QTest::newRow("clInfoBk without palette") << quint32(clInfoBk) << u"#ffffe1"_s;
    QTest::newRow("clWindow without palette") << quint32(clWindow) << u"#ffffff"_s;
    QTest::newRow("clWindowText without palette") << quint32(clWindowText) << u"#000000"_s;
    QTest::newRow("clBtnFace without palette") << quint32(clBtnFace) << u"#f0f0f0"_s;
    QTest::newRow("clNone is invalid") << quint32(clNone) << QString();
    QTest::newRow("clDefault is invalid") << quint32(clDefault) << QString();
}

void TstHighlighterFramework::colours()
{
    QFETCH(quint32, color);
    QFETCH(QString, name);
    const QColor result = toQColor(TColor(color));
    QCOMPARE(result.isValid() ? result.name() : QString(), name);

    QPalette palette;
    palette.setColor(QPalette::Active, QPalette::ToolTipBase, QColor(0x11, 0x22, 0x33));
    QCOMPARE(toQColor(clInfoBk, palette).name(), u"#112233"_s);
    QCOMPARE(toQColor(clNavy, palette).name(), u"#000080"_s);
    QVERIFY(!toQColor(clNone, palette).isValid());
}

void TstHighlighterFramework::iniRoundTrip()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(u"colours.ini"_s);

    TQPILEHighlighter saved;
    saved.CommentAttri()->SetForeground(clMaroon);
    saved.CommentAttri()->SetBackground(clInfoBk);
    saved.KeyAttri()->SetStyle(TFontStyle::fsBold | TFontStyle::fsStrikeOut);
    QVERIFY(saved.SaveToFile(path));

    TQPILEHighlighter loaded;
    Recorder recorder;
    recorder.hook(loaded);
    QVERIFY(loaded.LoadFromFile(path));
    for (int i = 0; i < saved.AttrCount(); ++i) {
        QCOMPARE(loaded.GetAttribute(i)->Foreground(), saved.GetAttribute(i)->Foreground());
        QCOMPARE(loaded.GetAttribute(i)->Background(), saved.GetAttribute(i)->Background());
        QCOMPARE(loaded.GetAttribute(i)->Style(), saved.GetAttribute(i)->Style());
    }
    QCOMPARE(loaded.CommentAttri()->Background(), clInfoBk);
    QCOMPARE(recorder.calls, (QStringList{u"Comment"_s, u"Comment"_s, u"Key"_s}));
}

void TstHighlighterFramework::iniFileLayout()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"colours.ini"_s);
    TQPILEHighlighter highlighter;
    QVERIFY(highlighter.SaveToFile(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY2(text.contains(QStringLiteral("[Comment]\nBackground=536870911\nForeground=8388608\n"
                                          "Style=2\n")),
             qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("[Controls]\nBackground=536870911\nForeground=16711808\n"
                                         "Style=0\n")));
    QVERIFY(text.contains(QStringLiteral("[Main]\nBackground=536870911\nForeground=16711680\n"
                                         "Style=1\n")));
}

void TstHighlighterFramework::iniMissingSectionFails()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"partial.ini"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    // Every section but "Space"; "Key" has only one key, "Main" a hexadecimal and a
    // system colour.
    file.write("[Comment]\nBackground=536870911\nForeground=255\nStyle=0\n"
               "[Controls]\nForeground=0\n"
               "[Identifier]\nStyle=4\n"
               "[Key]\nForeground=16711680\n"
               "[Main]\nForeground=$FF\nBackground=-2147483624\n"
               "[Reserved]\nStyle=0\n"
               "[String]\nForeground=junk\n");
    file.close();

    TQPILEHighlighter highlighter;
    QCOMPARE(highlighter.LoadFromFile(path), false);
    QCOMPARE(highlighter.CommentAttri()->Foreground(), clRed);
    QCOMPARE(highlighter.CommentAttri()->Style(), TFontStyles());
    QCOMPARE(highlighter.ControlsAttri()->Foreground(), clBlack);
    QCOMPARE(highlighter.IdentifierAttri()->Style(), TFontStyles(TFontStyle::fsUnderline));
    QCOMPARE(highlighter.KeyAttri()->Foreground(), clBlue);
    QCOMPARE(highlighter.KeyAttri()->Style(), TFontStyles());
    QCOMPARE(highlighter.MainAttri()->Foreground(), clRed);
    QCOMPARE(highlighter.MainAttri()->Background(), clInfoBk);
    QCOMPARE(highlighter.ReservedAttri()->Style(), TFontStyles());
    QCOMPARE(highlighter.SpaceAttri()->Foreground(), clNone);
    // An unreadable number gives the INI reader's default for the key.
    QCOMPARE(highlighter.StringAttri()->Foreground(), clWindowText);
}

void TstHighlighterFramework::iniMissingFileFails()
{
    QTemporaryDir dir;
    TQPILEHighlighter highlighter;
    QCOMPARE(highlighter.LoadFromFile(dir.filePath(u"none.ini"_s)), false);
    QCOMPARE(highlighter.CommentAttri()->Foreground(), clNavy);
}

void TstHighlighterFramework::iniUnwritableFileThrows()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"missing/folder/colours.ini"_s);
    QFile::remove(path);
    // A folder that cannot be created: a file stands where the folder should be.
    QFile blocker(dir.filePath(u"missing"_s));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TQPILEHighlighter highlighter;
    QString message;
    try {
        highlighter.SaveToFile(path);
    } catch (const Error &error) {
        message = error.message();
    }
    QCOMPARE(message, u"Unable to write to "_s + path);
}

void TstHighlighterFramework::registryRoundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"registry.ini"_s);
    const QString key = u"SOFTWARE\\Brindlepad\\Highlighter"_s;
    {
        QtSettingsStore store(path, QSettings::IniFormat);
        TQPILEHighlighter saved;
        saved.StringAttri()->SetForeground(clTeal);
        saved.MainAttri()->SetIntegerStyle(6);
        QVERIFY(saved.SaveToRegistry(store, key));
    }
    QtSettingsStore store(path, QSettings::IniFormat);
    const QString group = u"SOFTWARE/Brindlepad/Highlighter"_s;
    QVERIFY(store.hasGroup(group));
    QVERIFY(store.hasGroup(group + u"/String"_s));
    QCOMPARE(store.readInteger(group + u"/String/Foreground"_s),
             std::optional<int>(int(qint32(clTeal))));
    QCOMPARE(store.readInteger(group + u"/Main/Style"_s), std::optional<int>(6));
    QCOMPARE(store.readInteger(group + u"/Main/Nothing"_s), std::optional<int>());

    TQPILEHighlighter loaded;
    QVERIFY(loaded.LoadFromRegistry(store, key));
    QCOMPARE(loaded.StringAttri()->Foreground(), clTeal);
    QCOMPARE(loaded.MainAttri()->Style(), TFontStyle::fsItalic | TFontStyle::fsUnderline);
    QCOMPARE(loaded.MainAttri()->Foreground(), clBlue);
    QCOMPARE(loaded.CommentAttri()->Background(), clNone);
}

void TstHighlighterFramework::registryMissingKeyFails()
{
    QTemporaryDir dir;
    QtSettingsStore store(dir.filePath(u"registry.ini"_s), QSettings::IniFormat);
    TQPILEHighlighter highlighter;
    QCOMPARE(highlighter.LoadFromRegistry(store, u"SOFTWARE\\Nothing"_s), false);
}

void TstHighlighterFramework::registryMissingAttributeKeyFails()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"registry.ini"_s);
    QtSettingsStore store(path, QSettings::IniFormat);
    store.writeIntegers({{u"Colours/Key/Foreground"_s, int(qint32(clRed))}});
    TQPILEHighlighter highlighter;
    QCOMPARE(highlighter.LoadFromRegistry(store, u"Colours"_s), false);
    QCOMPARE(highlighter.KeyAttri()->Foreground(), clRed);
}

void TstHighlighterFramework::registryWrongTypeThrows()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"registry.ini"_s);
    {
        QSettings settings(path, QSettings::IniFormat);
        settings.setValue(u"Colours/Key/Foreground"_s, u"green"_s);
    }
    QtSettingsStore store(path, QSettings::IniFormat);
    TQPILEHighlighter highlighter;
    QString message;
    try {
        highlighter.LoadFromRegistry(store, u"Colours"_s);
    } catch (const Error &error) {
        message = error.message();
    }
    QCOMPARE(message, u"Invalid data type for 'Foreground'"_s);
}

void TstHighlighterFramework::registryUnwritableStoreFails()
{
    ReadOnlyStore store;
    TQPILEHighlighter highlighter;
    QCOMPARE(highlighter.SaveToRegistry(store, u"Colours"_s), false);
}

BP_TEST(TstHighlighterFramework)
