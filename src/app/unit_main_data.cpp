#include "unit_main.h"

#include "aids/completion_words.h"
#include "aids/library_file.h"
#include "aids/view/completion_proposal.h"
#include "aids/view/function_library_tree.h"
#include "platform/data_files.h"
#include "qpile/qpile_reference.h"

#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>

// The window's data files: the function library, the completion list and the language
// reference, read beside the program or from the data folder it is given.
namespace bp {
namespace {

// Which data files were read, for installs and packaging checks
// (QT_LOGGING_RULES="brindlepad.data.debug=true").
Q_LOGGING_CATEGORY(lcDataFiles, "brindlepad.data", QtWarningMsg)

} // namespace

QString Tfrm_Main::dataFile(const QString &name) const
{
    if (!m_services.dataFolder.isEmpty())
        return QDir(m_services.dataFolder).filePath(name);
    return locateDataFile(name, QCoreApplication::applicationDirPath());
}

void Tfrm_Main::loadLibrary()
{
    // A file that cannot be read leaves the built-in library; a badly indented line keeps
    // the nodes before it and is reported.
    const QString path = dataFile(QStringLiteral("library.txt"));
    const LibraryReadResult library = readLibraryFile(path);
    qCDebug(lcDataFiles) << "library" << path << "groups"
                         << (library.nodes.isEmpty() ? QString() : library.nodes.constFirst().text);
    libraryTree()->setLibrary(library.nodes);
    library.throwIfFailed();
}

void Tfrm_Main::loadCompletionList()
{
    const QString path = dataFile(QStringLiteral("func.txt"));
    const QStringList words = readCompletionFile(path);
    qCDebug(lcDataFiles) << "words" << path << "first"
                         << (words.isEmpty() ? QString() : words.constFirst());
    CompletionProposal1->setInsertList(words);
    CompletionProposal1->setItemList(words);
}

void Tfrm_Main::loadLanguageReference()
{
    // Shared, immutable: the tips and the check each hold it.
    const QString path = dataFile(QpileReference::fileName());
    m_reference = std::make_shared<const QpileReference>(QpileReference::load(path));
    qCDebug(lcDataFiles) << "reference" << path << "functions" << m_reference->functions().size();
    emit languageReferenceLoaded();
}

} // namespace bp
