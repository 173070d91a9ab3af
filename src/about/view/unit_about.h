#pragma once

#include "about/update_check.h"
#include "about/version_number.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

namespace bp {

class ShellOpen;
class UserPrompts;

struct AboutServices
{
    // Opens the download page; not owned.
    ShellOpen *shell = nullptr;
    // Asks and tells the update check's results; not owned.
    UserPrompts *prompts = nullptr;
    // The application's command boundary: runs a command and shows its failure in the error
    // box.
    std::function<bool(const std::function<void()> &)> runCommand;
    // Reads the running program's version; a test hands in its own.
    std::function<VersionNumber()> readVersion = runningProgramVersion;
};

// The about window: product name, logo, version, copyright and the update check. Created once
// and shown modally again and again; the version is read on every showing.
class Tfrm_About : public QDialog
{
    Q_OBJECT
public:
    explicit Tfrm_About(AboutServices services, QWidget *parent = nullptr);

    UpdateCheck &updateCheck() { return m_check; }
    // The version read by the last showing.
    const VersionNumber &version() const { return m_version; }

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

public slots:
    // Every way of closing ends here; a running check is abandoned.
    void done(int result) override;

private:
    void FormShow();
    void btn_UpdateClick();
    void reportCheck(const UpdateCheckResult &result);
    void setChecking(bool checking);

    AboutServices m_services;
    UpdateCheck m_check;
    VersionNumber m_version;
    QLabel *lbl_Version = nullptr;
    QPushButton *btn_Update = nullptr;
    QPushButton *btn_OK = nullptr;
    // The update button had the focus when the check started; it gets it back at the end.
    bool m_refocusUpdate = false;
};

} // namespace bp
