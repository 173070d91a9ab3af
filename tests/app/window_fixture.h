#pragma once

#include "app/unit_main.h"
#include "editor/model/editor_lines.h"
#include "editor/view/editor_pane.h"
#include "fake_prompts.h"
#include "platform/settings_store.h"
#include "platform/shell_open.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace bp {

using namespace Qt::StringLiterals;

// A main window on real widgets with scripted prompts and a private settings file; every
// test starts from a fresh window and a fresh folder.
struct WindowFixture
{
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<QtSettingsStore> settings;
    QtShellOpen shell;
    FakePrompts prompts;
    FakeAlertSound sound;
    std::unique_ptr<Tfrm_Main> window;
    // The shipped data files, unless a test points elsewhere.
    QString dataFolder = QStringLiteral(BP_SOURCE_DIR "/data");

    void reset()
    {
        window.reset();
        dir = std::make_unique<QTemporaryDir>();
        settings = std::make_unique<QtSettingsStore>(settingsFile(), QSettings::NativeFormat);
        prompts = FakePrompts();
        sound.count = 0;
        dataFolder = QStringLiteral(BP_SOURCE_DIR "/data");
    }

    QString path(const QString &name) const { return dir->filePath(name); }
    QString settingsFile() const { return path(u"settings.conf"_s); }

    Tfrm_Main &openWindow(const QStringList &arguments = {})
    {
        window.reset();
        window = std::make_unique<Tfrm_Main>(
            PlatformServices{settings.get(), &shell, &prompts, &sound, dataFolder}, arguments);
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("main window did not become active");
        return *window;
    }

    TEditorLines &lines() { return window->editorPane()->Lines(); }

    // Changes the text as an edit would: through the line list, then the change notification.
    void edit(const QString &firstLine)
    {
        lines().setLine(0, firstLine);
        window->EditorPaneChange();
    }
};

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

} // namespace bp
