#include "app/document.h"
#include "app/error_box.h"
#include "common/error.h"
#include "common/text_file.h"
#include "file_size_limit.h"
#include "forked_child.h"
#include "test_runner.h"
#include "window_fixture.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <csignal>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

using namespace bp;

namespace {

QByteArray utf8WithMark(const QString &text)
{
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

using bp::testing::FileSizeLimit;
using bp::testing::statusOfChild;

// Bytes of address space this process has mapped now.
rlim_t mappedBytes()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmSize:"))
            return rlim_t(line.mid(7).trimmed().split(' ').value(0).toULongLong()) * 1024;
    return 0;
}

} // namespace

class TestDocument : public QObject
{
    Q_OBJECT

    WindowFixture f;

    QString path(const QString &name) const { return f.path(name); }
    QStringList lineList()
    {
        QStringList list;
        for (int i = 0; i < f.lines().Count(); ++i)
            list << f.lines()[i];
        return list;
    }
    void trigger(QAction *action) { action->trigger(); }

private slots:
    void initTestCase() { ignoreFileSizeSignal(); }
    void init() { f.reset(); }
    void cleanup()
    {
        f.window.reset();
        QCOMPARE(f.prompts.errors, QStringList());
    }

    void newOnASavedDocumentAsksNothing()
    {
        Tfrm_Main &window = f.openWindow();
        trigger(window.actions().FileNew);
        QCOMPARE(f.prompts.questions.size(), 0);
        QCOMPARE(lineList(), newDocumentTemplate());
        QCOMPARE(f.lines().Count(), 18);
        QCOMPARE(f.lines()[1], u"DESCRIPTION Описание портфеля;"_s);
        QVERIFY(!window.docSaved());
        QVERIFY(window.actions().FileSave->isEnabled());
        QCOMPARE(window.statusPanelText(2), u"Изменен"_s);
        QCOMPARE(window.docFileName(), QString());

        // Save of an untitled document is Save As, proposing "untitled".
        trigger(window.actions().FileSave);
        QCOMPARE(f.prompts.saveRequests.size(), 1);
        const FileDialogRequest &request = f.prompts.saveRequests[0];
        QCOMPARE(request.title, u"Сохранение QPILE файла"_s);
        QCOMPARE(request.fileName, u"untitled"_s);
        QCOMPARE(request.defaultSuffix, u"qpl"_s);
        QCOMPARE(request.selectedFilter, 1);
        QCOMPARE(request.filters.size(), size_t(2));
        QCOMPARE(request.filters[0].caption, u"Все файлы (*.*)"_s);
        QCOMPARE(request.filters[0].pattern, u"*.*"_s);
        QCOMPARE(request.filters[1].caption, u"QPILE файлы"_s);
        QCOMPARE(request.filters[1].pattern, u"*.qpl"_s);
        QVERIFY(!window.docSaved());
    }

    void newAsksAboutUnsavedChanges_data()
    {
        QTest::addColumn<PromptAnswer>("answer");
        QTest::addColumn<QString>("saveChoice");
        QTest::addColumn<bool>("templateFollows");
        QTest::addColumn<bool>("saved");
        QTest::newRow("No gives the template") << PromptAnswer::No << QString() << true << false;
        QTest::newRow("Yes saves and ends the command")
            << PromptAnswer::Yes << u"s.qpl"_s << false << true;
        QTest::newRow("Yes with the dialog cancelled ends it too")
            << PromptAnswer::Yes << QString() << false << false;
        QTest::newRow("Cancel changes nothing")
            << PromptAnswer::Cancel << QString() << false << false;
    }
    void newAsksAboutUnsavedChanges()
    {
        QFETCH(PromptAnswer, answer);
        QFETCH(QString, saveChoice);
        QFETCH(bool, templateFollows);
        QFETCH(bool, saved);
        Tfrm_Main &window = f.openWindow();
        f.edit(u"typed"_s);
        f.prompts.answers = {answer};
        f.prompts.saveChoices = {saveChoice.isNull() ? QString() : path(saveChoice)};
        trigger(window.actions().FileNew);

        QCOMPARE(f.prompts.questions.size(), 1);
        QCOMPARE(f.prompts.questions[0].text, u"Сохранить изменения в untitled.qpl ?"_s);
        QCOMPARE(f.prompts.questions[0].icon, PromptIcon::Warning);
        QCOMPARE(f.prompts.saveRequests.size(), answer == PromptAnswer::Yes ? 1 : 0);
        QCOMPARE(lineList(), templateFollows ? newDocumentTemplate() : QStringList{u"typed"_s});
        QCOMPARE(window.docSaved(), saved);
        if (saved) {
            QCOMPARE(readFile(path(saveChoice)), QByteArray("typed"));
            QCOMPARE(window.docFileName(), path(saveChoice));
            QCOMPARE(window.statusPanelText(1), saveChoice);
            QCOMPARE(window.statusPanelText(2), u"Сохранен"_s);
            QVERIFY(!window.actions().FileSave->isEnabled());
        } else {
            // Still untitled: Save still asks for a name.
            trigger(window.actions().FileSave);
            QCOMPARE(f.prompts.saveRequests.size(), answer == PromptAnswer::Yes ? 2 : 1);
        }
    }

    void newKeepsTheFileAndItsLineBreaks()
    {
        const QString file = path(u"a.qpl"_s);
        writeFile(file, "a\nb\n");
        Tfrm_Main &window = f.openWindow({file});
        trigger(window.actions().FileNew);
        QCOMPARE(window.statusPanelText(1), u"a.qpl"_s);
        trigger(window.actions().FileSave);
        QCOMPARE(f.prompts.saveRequests.size(), 0);
        QCOMPARE(readFile(file), QByteArray("PORTFOLIO_EX Portfolio_Name;\n"
                                            "DESCRIPTION \xCE\xEF\xE8\xF1\xE0\xED\xE8\xE5 "
                                            "\xEF\xEE\xF0\xF2\xF4\xE5\xEB\xFF;\n"
                                            "CLIENTS_LIST ALL_CLIENTS;\n"
                                            "FIRMS_LIST FIRMID;\n\n"
                                            "PROGRAM\n\n\n\n"
                                            "END_PROGRAM\n\n"
                                            "PARAMETER Null;\n"
                                            "PARAMETER_TITLE Null;\n"
                                            "PARAMETER_DESCRIPTION Null;\n"
                                            "PARAMETER_TYPE STRING(10);\n"
                                            "END\n\n"
                                            "END_PORTFOLIO_EX"));
        QVERIFY(window.docSaved());
    }

    void filesComeBackByteForByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("UTF-8 with its mark") << utf8WithMark(u"PROGRAM\r\nСтрока\r\nEND_PROGRAM"_s);
        QTest::newRow("Windows-1251, CR LF")
            << QByteArray("DESCRIPTION \xCE\xEF\xE8\xF1\xE0\xED\xE8\xE5;\r\nPROGRAM\r\n");
        QTest::newRow("LF with a final break") << QByteArray("a\n\nb\n");
        QTest::newRow("CR only") << QByteArray("a\rb");
        QTest::newRow("UTF-16 little-endian") << QByteArray("\xFF\xFE"
                                                            "a\0\r\0\n\0",
                                                            8);
        QTest::newRow("UTF-16 big-endian") << QByteArray("\xFE\xFF\0a\0\n", 6);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("UTF-8 without a mark")
            << u"PROGRAM\nСтрока \U0001F600\nEND_PROGRAM\n"_s.toUtf8();
    }
    void filesComeBackByteForByte()
    {
        QFETCH(QByteArray, bytes);
        const QString source = path(u"a.qpl"_s);
        const QString copy = path(u"b.qpl"_s);
        writeFile(source, bytes);
        Tfrm_Main &window = f.openWindow();
        f.prompts.openChoices = {source};
        trigger(window.actions().FileOpen1);
        QCOMPARE(window.docFileName(), source);
        QCOMPARE(window.statusPanelText(1), u"a.qpl"_s);
        f.prompts.saveChoices = {copy};
        trigger(window.actions().FileSaveAs1);
        // Save As proposes the document's own path.
        QCOMPARE(f.prompts.saveRequests[0].fileName, source);
        QCOMPARE(readFile(copy), bytes);
        QCOMPARE(window.docFileName(), copy);
    }

    void openAsksAboutUnsavedChanges_data()
    {
        QTest::addColumn<PromptAnswer>("answer");
        QTest::addColumn<QString>("saveChoice");
        QTest::addColumn<QString>("openChoice");
        QTest::addColumn<bool>("dialogShown");
        QTest::addColumn<bool>("opened");
        QTest::newRow("Cancel abandons the open")
            << PromptAnswer::Cancel << QString() << u"a.qpl"_s << false << false;
        QTest::newRow("No, then the file replaces the text")
            << PromptAnswer::No << QString() << u"a.qpl"_s << true << true;
        QTest::newRow("No, then a cancelled dialog keeps the changes")
            << PromptAnswer::No << QString() << QString() << true << false;
        QTest::newRow("Yes saves, then opens")
            << PromptAnswer::Yes << u"s.qpl"_s << u"a.qpl"_s << true << true;
        QTest::newRow("Yes with the save cancelled abandons the open")
            << PromptAnswer::Yes << QString() << u"a.qpl"_s << false << false;
    }
    void openAsksAboutUnsavedChanges()
    {
        QFETCH(PromptAnswer, answer);
        QFETCH(QString, saveChoice);
        QFETCH(QString, openChoice);
        QFETCH(bool, dialogShown);
        QFETCH(bool, opened);
        writeFile(path(u"a.qpl"_s), "from file");
        Tfrm_Main &window = f.openWindow();
        f.edit(u"typed"_s);
        f.prompts.answers = {answer};
        f.prompts.saveChoices = {saveChoice.isNull() ? QString() : path(saveChoice)};
        f.prompts.openChoices = {openChoice.isNull() ? QString() : path(openChoice)};
        trigger(window.actions().FileOpen1);

        QCOMPARE(f.prompts.openRequests.size(), dialogShown ? 1 : 0);
        if (dialogShown) {
            QCOMPARE(f.prompts.openRequests[0].title, u"Открыть QPILE файл"_s);
            QCOMPARE(f.prompts.openRequests[0].fileName, QString());
        }
        if (!saveChoice.isNull())
            QCOMPARE(readFile(path(saveChoice)), QByteArray("typed"));
        QCOMPARE(lineList(), QStringList{opened ? u"from file"_s : u"typed"_s});
        QCOMPARE(window.docFileName(), opened                ? path(openChoice)
                                       : saveChoice.isNull() ? QString()
                                                             : path(saveChoice));
        // Unsaved text is never marked saved unless it was saved or replaced.
        QCOMPARE(window.docSaved(), opened || !saveChoice.isNull());
    }

    void openDialogRemembersTheLastChoice()
    {
        writeFile(path(u"a.qpl"_s), "a");
        Tfrm_Main &window = f.openWindow();
        f.prompts.openChoices = {path(u"a.qpl"_s), QString()};
        trigger(window.actions().FileOpen1);
        trigger(window.actions().FileOpen1);
        QCOMPARE(f.prompts.openRequests[1].fileName, path(u"a.qpl"_s));
    }

    void openRefusesWhatItCannotRead_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << u"missing"_s << u"Нет такого файла или каталога"_s;
        QTest::newRow("invalid UTF-8 after the mark") << u"utf8"_s << u"UTF-8"_s;
        QTest::newRow("odd UTF-16") << u"utf16"_s << u"UTF-16"_s;
        QTest::newRow("folder") << u"folder"_s << u"не обычный файл"_s;
        QTest::newRow("named pipe") << u"pipe"_s << u"не обычный файл"_s;
        QTest::newRow("above the size limit") << u"huge"_s << u"МБ"_s;
    }
    void openRefusesWhatItCannotRead()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QString file = path(u"bad.qpl"_s);
        if (kind == u"utf8"_s)
            writeFile(file, "\xEF\xBB\xBF"
                            "ab\xC3");
        else if (kind == u"utf16"_s)
            writeFile(file, QByteArray("\xFF\xFE"
                                       "a\0b",
                                       5));
        else if (kind == u"folder"_s)
            QVERIFY(QDir().mkpath(file));
        else if (kind == u"pipe"_s)
            QCOMPARE(mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        else if (kind == u"huge"_s) {
            QFile sparse(file);
            QVERIFY(sparse.open(QIODevice::WriteOnly));
            QVERIFY(sparse.resize(kMaxTextFileBytes + 1));
        }
        const QString kept = path(u"kept.qpl"_s);
        writeFile(kept, "kept");
        Tfrm_Main &window = f.openWindow({kept});
        f.prompts.openChoices = {file};
        trigger(window.actions().FileOpen1);

        QCOMPARE(f.prompts.errors.size(), 1);
        const QString error = f.prompts.errors.takeFirst();
        QVERIFY2(error.contains(file) && error.contains(reason), qPrintable(error));
        QCOMPARE(lineList(), QStringList{u"kept"_s});
        QCOMPARE(window.docFileName(), kept);
        QCOMPARE(window.statusPanelText(1), u"kept.qpl"_s);
    }

    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("file-size limit") << u"limit"_s << u"Файл слишком велик"_s;
        QTest::newRow("read-only file in a read-only folder")
            << u"readonly"_s << u"Отказано в доступе"_s;
    }
    void failedSaveKeepsTheOldFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QString folder = path(u"docs"_s);
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + u"/a.qpl"_s;
        writeFile(file, "old content");
        Tfrm_Main &window = f.openWindow({file});
        f.edit(QString(4000, u'x'));
        {
            std::unique_ptr<FileSizeLimit> limit;
            if (kind == u"limit"_s) {
                limit = std::make_unique<FileSizeLimit>(100);
            } else {
                if (geteuid() == 0)
                    QSKIP("the superuser writes into read-only folders");
                QVERIFY(QFile::setPermissions(file, QFile::ReadOwner));
                QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
            }
            trigger(window.actions().FileSave);
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        QCOMPARE(f.prompts.errors.size(), 1);
        const QString error = f.prompts.errors.takeFirst();
        QVERIFY2(error.contains(file) && error.contains(reason), qPrintable(error));
        QCOMPARE(readFile(file), QByteArray("old content"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{u"a.qpl"_s});
        QVERIFY(!window.docSaved());
        QVERIFY(window.actions().FileSave->isEnabled());
        QCOMPARE(window.statusPanelText(2), u"Изменен"_s);
        QCOMPARE(window.docFileName(), file);
    }

    void runningOutOfMemoryWhileOpeningChangesNothing()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer reserves far more address space than a memory limit allows, "
              "and it aborts where the program would get std::bad_alloc");
#endif
        // A file of line breaks costs little to read and decode but a lot as a line list.
        const QString kept = path(u"kept.qpl"_s);
        const QString breaks = path(u"breaks.qpl"_s);
        writeFile(kept, "kept");
        writeFile(breaks, QByteArray(8 << 20, '\n'));
        Tfrm_Main &window = f.openWindow({kept});
        f.prompts.openChoices = {breaks};

        const int status = statusOfChild([&] {
            rlimit saved{};
            getrlimit(RLIMIT_AS, &saved);
            rlimit lowered = saved;
            lowered.rlim_cur = mappedBytes() + (160 << 20);
            setrlimit(RLIMIT_AS, &lowered);
            trigger(window.actions().FileOpen1);
            setrlimit(RLIMIT_AS, &saved);
            const QStringList expectedErrors{errorBoxText(outOfMemoryMessage())};
            const bool unchanged = lineList() == QStringList{u"kept"_s} &&
                                   window.docFileName() == kept && window.docSaved();
            if (f.prompts.errors != expectedErrors || !unchanged) {
                std::fprintf(stderr, "errors: [%s]; %d lines; name %s\n",
                             qPrintable(f.prompts.errors.join(u'|')), f.lines().Count(),
                             qPrintable(window.docFileName()));
                return 1;
            }
            return 0;
        });
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0,
                 qPrintable(WIFSIGNALED(status)
                                ? u"child killed by signal %1"_s.arg(WTERMSIG(status))
                                : u"child exit code %1"_s.arg(WEXITSTATUS(status))));
    }

    void failedSaveAsKeepsTheName()
    {
        Tfrm_Main &window = f.openWindow();
        f.edit(u"typed"_s);
        const QString target = path(u"missing/b.qpl"_s);
        f.prompts.saveChoices = {target};
        trigger(window.actions().FileSaveAs1);
        QCOMPARE(f.prompts.errors.size(), 1);
        QVERIFY2(f.prompts.errors[0].contains(target), qPrintable(f.prompts.errors[0]));
        f.prompts.errors.clear();
        QCOMPARE(window.docFileName(), QString());
        QVERIFY(!window.docSaved());
        QVERIFY(!QFileInfo::exists(target));
    }

    void saveKeepsLinkAndPermissions()
    {
        const QString file = path(u"real.qpl"_s);
        const QString link = path(u"link.qpl"_s);
        writeFile(file, "old");
        const QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(file, mode));
        QVERIFY(QFile::link(file, link));
        Tfrm_Main &window = f.openWindow({link});
        f.edit(u"new"_s);
        trigger(window.actions().FileSave);
        QVERIFY(window.docSaved());
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readFile(file), QByteArray("new"));
        QCOMPARE(QFile::permissions(file) & ~(QFile::ReadUser | QFile::WriteUser), mode);
    }

    void encodingThatCannotHoldTheTextAsksFirst_data()
    {
        QTest::addColumn<QByteArray>("original");
        QTest::addColumn<QString>("text");
        QTest::addColumn<PromptAnswer>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QByteArray>("written");
        const QByteArray ansi("old");
        const QString umlaut = u"aüб"_s;
        const QString lone = u"a"_s + QChar(0xD800);
        QTest::newRow("fits: no question") << ansi << u"Привет"_s << PromptAnswer::Cancel << false
                                           << QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2");
        QTest::newRow("Yes saves as UTF-8")
            << ansi << umlaut << PromptAnswer::Yes << true << utf8WithMark(umlaut);
        QTest::newRow("No writes question marks")
            << ansi << umlaut << PromptAnswer::No << true << QByteArray("a?\xE1");
        QTest::newRow("Cancel writes nothing")
            << ansi << umlaut << PromptAnswer::Cancel << true << ansi;
        QTest::newRow("lone surrogate, Yes saves as UTF-16")
            << ansi << lone << PromptAnswer::Yes << true
            << QByteArray("\xFF\xFE"
                          "a\0\x00\xD8",
                          6);
        QTest::newRow("lone surrogate, No")
            << ansi << lone << PromptAnswer::No << true << QByteArray("a?");
        QTest::newRow("Russian typed into UTF-8 without a mark")
            << u"старое"_s.toUtf8() << u"Привет"_s << PromptAnswer::Cancel << false
            << u"Привет"_s.toUtf8();
        QTest::newRow("lone surrogate in UTF-8 without a mark, Yes saves as UTF-16")
            << u"старое"_s.toUtf8() << lone << PromptAnswer::Yes << true
            << QByteArray("\xFF\xFE"
                          "a\0\x00\xD8",
                          6);
        QTest::newRow("lone surrogate in a UTF-8 file")
            << utf8WithMark(u"old"_s) << lone << PromptAnswer::No << true
            << QByteArray("\xEF\xBB\xBF"
                          "a?");
    }
    void encodingThatCannotHoldTheTextAsksFirst()
    {
        QFETCH(QByteArray, original);
        QFETCH(QString, text);
        QFETCH(PromptAnswer, answer);
        QFETCH(bool, asked);
        QFETCH(QByteArray, written);
        const QString file = path(u"a.qpl"_s);
        writeFile(file, original);
        Tfrm_Main &window = f.openWindow({file});
        f.edit(text);
        f.prompts.answers = {answer};
        trigger(window.actions().FileSave);
        QCOMPARE(f.prompts.questions.size(), asked ? 1 : 0);
        if (asked)
            QCOMPARE(f.prompts.questions[0].icon, PromptIcon::Question);
        QCOMPARE(readFile(file), written);
        const bool saved = !(asked && answer == PromptAnswer::Cancel);
        QCOMPARE(window.docSaved(), saved);

        // The document keeps the encoding it was written in: a second save asks no more.
        if (saved) {
            f.edit(text);
            f.prompts.answers = {answer};
            trigger(window.actions().FileSave);
            const bool widened = asked && answer == PromptAnswer::Yes;
            QCOMPARE(f.prompts.questions.size(), asked && !widened ? 2 : int(asked));
            QCOMPARE(readFile(file), written);
        }
    }

    // A file without a byte-order mark in UTF-8 says so in the hint panel; one in ASCII or
    // Windows-1251 says nothing.
    void unmarkedUtf8IsNamedInTheHintPanel_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("hint");
        QTest::newRow("UTF-8 without a mark")
            << u"Привет"_s.toUtf8() << u"Кодировка: UTF-8 без BOM"_s;
        QTest::newRow("ASCII") << QByteArray("PROGRAM") << QString();
        QTest::newRow("Windows-1251") << QByteArray("\xCF\xF0\xE8") << QString();
    }
    void unmarkedUtf8IsNamedInTheHintPanel()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, hint);
        const QString file = path(u"a.qpl"_s);
        writeFile(file, bytes);
        // Both ways in: the command line and the open dialog.
        Tfrm_Main &window = f.openWindow({file});
        QCOMPARE(window.statusPanelText(0), hint);
        f.prompts.openChoices = {file};
        trigger(window.actions().FileOpen1);
        QCOMPARE(window.statusPanelText(0), hint);
    }

    // The "Кодировка" submenu makes the next save write another encoding; a text the new
    // encoding cannot hold meets the save's question.
    void encodingMenuConvertsTheDocument_data()
    {
        QTest::addColumn<QByteArray>("original");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<PromptAnswer>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QByteArray>("written");
        const QString privet = u"Привет"_s;
        const QString umlaut = u"aüб"_s;
        const QByteArray utf16 =
            QByteArray("\xFF\xFE") +
            QByteArray(reinterpret_cast<const char *>(privet.utf16()), privet.size() * 2);
        QTest::newRow("UTF-8 without a mark to Windows-1251")
            << privet.toUtf8() << u"Windows-1251"_s << PromptAnswer::Cancel << false
            << QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2");
        QTest::newRow("UTF-8 without a mark to UTF-8 with the mark")
            << privet.toUtf8() << u"UTF-8 с BOM"_s << PromptAnswer::Cancel << false
            << utf8WithMark(privet);
        QTest::newRow("UTF-8 without a mark to UTF-16")
            << privet.toUtf8() << u"UTF-16"_s << PromptAnswer::Cancel << false << utf16;
        QTest::newRow("Windows-1251 to UTF-8 with the mark")
            << QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2") << u"UTF-8 с BOM"_s << PromptAnswer::Cancel
            << false << utf8WithMark(privet);
        QTest::newRow("to Windows-1251 without a character, No writes ?")
            << umlaut.toUtf8() << u"Windows-1251"_s << PromptAnswer::No << true
            << QByteArray("a?\xE1");
        QTest::newRow("to Windows-1251 without a character, Yes writes UTF-8")
            << umlaut.toUtf8() << u"Windows-1251"_s << PromptAnswer::Yes << true
            << utf8WithMark(umlaut);
        QTest::newRow("to Windows-1251 without a character, Cancel keeps the file")
            << umlaut.toUtf8() << u"Windows-1251"_s << PromptAnswer::Cancel << true
            << umlaut.toUtf8();
    }
    void encodingMenuConvertsTheDocument()
    {
        QFETCH(QByteArray, original);
        QFETCH(QString, entry);
        QFETCH(PromptAnswer, answer);
        QFETCH(bool, asked);
        QFETCH(QByteArray, written);
        const QString file = path(u"a.qpl"_s);
        writeFile(file, original);
        Tfrm_Main &window = f.openWindow({file});
        QVERIFY(!window.actions().FileSave->isEnabled());

        // Through the menu as the user opens it.
        auto *menu = window.findChild<QMenu *>(u"FileEncodingMenu"_s);
        QVERIFY(menu);
        QCOMPARE(window.fileMenu()->actions().value(4), menu->menuAction());
        QCOMPARE(menu->menuAction()->text(), u"Кодировка"_s);
        QAction *chosen = nullptr;
        for (QAction *action : menu->actions())
            if (action->text() == entry)
                chosen = action;
        QVERIFY(chosen);
        chosen->trigger();
        QCOMPARE(window.statusPanelText(0),
                 u"Кодировка: "_s + (entry == u"UTF-8 с BOM"_s ? u"UTF-8"_s : entry));
        QVERIFY(!window.docSaved());
        QVERIFY(window.actions().FileSave->isEnabled());
        emit menu->aboutToShow();
        QVERIFY(chosen->isChecked());

        f.prompts.answers = {answer};
        trigger(window.actions().FileSave);
        QCOMPARE(f.prompts.questions.size(), asked ? 1 : 0);
        QCOMPARE(readFile(file), written);
    }

    void closeQuery_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<PromptAnswer>("answer");
        QTest::addColumn<QString>("saveChoice");
        QTest::addColumn<bool>("closes");
        QTest::newRow("saved document closes")
            << false << PromptAnswer::Cancel << QString() << true;
        QTest::newRow("No closes") << true << PromptAnswer::No << QString() << true;
        QTest::newRow("Cancel keeps it open") << true << PromptAnswer::Cancel << QString() << false;
        QTest::newRow("Yes with the dialog cancelled keeps it open")
            << true << PromptAnswer::Yes << QString() << false;
        QTest::newRow("Yes with a failed write keeps it open")
            << true << PromptAnswer::Yes << u"missing/s.qpl"_s << false;
        QTest::newRow("Yes with a name saves and closes")
            << true << PromptAnswer::Yes << u"s.qpl"_s << true;
    }
    void closeQuery()
    {
        QFETCH(bool, edited);
        QFETCH(PromptAnswer, answer);
        QFETCH(QString, saveChoice);
        QFETCH(bool, closes);
        Tfrm_Main &window = f.openWindow();
        if (edited)
            f.edit(u"typed"_s);
        f.prompts.answers = {answer};
        f.prompts.saveChoices = {saveChoice.isNull() ? QString() : path(saveChoice)};
        trigger(window.actions().FileExit1);

        QCOMPARE(window.isVisible(), !closes);
        QCOMPARE(f.prompts.questions.size(), edited ? 1 : 0);
        QCOMPARE(window.docSaved(), closes);
        if (saveChoice.contains(u'/')) {
            QCOMPARE(f.prompts.errors.size(), 1);
            f.prompts.errors.clear();
        } else if (!saveChoice.isNull()) {
            QCOMPARE(readFile(path(saveChoice)), QByteArray("typed"));
        }
        // The window state is stored at every attempt, also a refused one.
        QStringList keys = QSettings(f.settingsFile(), QSettings::NativeFormat).allKeys();
        keys.removeAll(u"RecentFiles"_s);
        QCOMPARE(keys.size(), 6);
    }
};

BP_TEST(TestDocument)

#include "tst_document.moc"
