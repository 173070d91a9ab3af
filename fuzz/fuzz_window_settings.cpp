// The window-state values as the settings file holds them. The input is the whole settings
// file. Properties:
// - each of the six values reads as absent, as an integer, or fails with a message that names
//   it; restoring the window from the file never fails as a whole and reports one message per
//   value that cannot be read;
// - a readable panel width is applied (a width of 0 or less as one pixel);
// - storing the restored window writes six values that read back as the window's figures.

#include "fuzz_support.h"

#include "app/panel_splitter.h"
#include "app/window_state.h"
#include "common/error.h"
#include "platform/settings_store.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdlib>
#include <memory>
#include <optional>

using namespace bp;

namespace {

const QStringList kNames = {QStringLiteral("WindowHeight"), QStringLiteral("WindowWidth"),
                            QStringLiteral("WindowTop"),    QStringLiteral("WindowLeft"),
                            QStringLiteral("WindowState"),  QStringLiteral("WindowPanelWidth")};

QTemporaryDir *folder = nullptr;

std::optional<int> readOrNothing(SettingsStore &store, const QString &name, int *failures)
{
    try {
        return store.readInteger(name);
    } catch (const Error &error) {
        FUZZ_CHECK(error.message().contains(name), error.message());
        ++*failures;
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication application(*argc, *argv);
    // Memory-backed when the system has such a folder: the store syncs every file it writes.
    const QString memory = QStringLiteral("/dev/shm");
    folder = QFileInfo(memory).isWritable()
                 ? new QTemporaryDir(memory + QStringLiteral("/bp-fuzz-XXXXXX"))
                 : new QTemporaryDir();
    FUZZ_CHECK(folder->isValid(), folder->errorString());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The same two names every time: the store's cache of parsed files then stays one entry
    // each instead of growing, which the leak check would take for a leak. The cache compares
    // size and time stamp, so an input rewritten within the same instant at the same size may
    // be served from it; both reads of a run then see the same values, and no property depends
    // on the file's bytes directly.
    const QString input = folder->filePath(QStringLiteral("input.conf"));
    const QString output = folder->filePath(QStringLiteral("output.conf"));
    {
        QFile file(input);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly), file.errorString());
        FUZZ_CHECK(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size),
                   file.errorString());
    }

    QtSettingsStore stored(input, QSettings::NativeFormat);
    int failures = 0;
    std::optional<int> values[6];
    for (int i = 0; i < 6; ++i)
        values[i] = readOrNothing(stored, kNames[i], &failures);

    QWidget window;
    auto *panel = new QWidget(&window);
    panel->resize(209, 100);
    auto *splitter = new PanelSplitter(panel, &window);
    WindowState state(stored, window, *splitter);
    QStringList reports;
    state.restore([&](const QString &message) { reports << message; });
    FUZZ_CHECK(reports.size() == failures, reports.join(u'\n'));
    for (const QString &report : reports)
        FUZZ_CHECK(!report.isEmpty(), QString());
    if (const std::optional<int> panelWidth = values[5])
        FUZZ_CHECK(splitter->panelWidth() == (*panelWidth <= 0 ? 1 : *panelWidth),
                   QString::number(*panelWidth));

    QtSettingsStore written(output, QSettings::NativeFormat);
    WindowState(written, window, *splitter).store();
    int writtenFailures = 0;
    for (const QString &name : kNames)
        FUZZ_CHECK(readOrNothing(written, name, &writtenFailures).has_value(), name);
    FUZZ_CHECK(readOrNothing(written, kNames[5], &writtenFailures) == splitter->panelWidth(),
               QString());
    FUZZ_CHECK(readOrNothing(written, kNames[3], &writtenFailures) == window.frameGeometry().x(),
               QString());

    QFile::remove(input);
    QFile::remove(output);
    return 0;
}
