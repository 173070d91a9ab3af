#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QTreeView;

namespace bp {

class LanguageTips;
class QpileCheckPanel;
class QpileReference;
class TEditorPane;
class WindowParts;

// The QPILE aids as the window wires them: the tips of the editor and the library from the
// start (their commands stay disabled until there is a reference), and once the reference is
// loaded the structure check with its tabs, its findings told under the mouse before the
// function help, and the script's own FUNCs given to the tips after each check.
class LanguageAids : public QObject
{
    Q_OBJECT
public:
    struct Window
    {
        TEditorPane &pane;
        QTreeView &libraryTree;
        WindowParts &parts;
        // Shows a text in the hint panel for a while.
        std::function<void(const QString &)> showHint;
        // The folder of the document's file; empty while it is untitled.
        std::function<QString()> scriptFolder;
    };

    explicit LanguageAids(Window window, QObject *parent = nullptr);
    ~LanguageAids() override;

    // Starts the aids that need the reference; once.
    void referenceLoaded(const std::shared_ptr<const QpileReference> &reference);

    LanguageTips *tips() const { return m_tips; }
    // Null until the reference is loaded.
    QpileCheckPanel *checkPanel() const { return m_checkPanel.get(); }

private:
    Window m_window;
    LanguageTips *m_tips;
    std::unique_ptr<QpileCheckPanel> m_checkPanel;
};

} // namespace bp
