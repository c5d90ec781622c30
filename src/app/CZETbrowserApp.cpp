#include "CZETbrowserApp.h"

#include "CDesktopIntegration.h"
#include "CInstanceChannel.h"
#include "CMainFrame.h"
#include "CRecentFileList.h"
#include "DocumentManager.h"
#include "ProgramInfo.h"
#include "UiLanguage.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QScreen>
#include <QSettings>
#include <QTimer>

#include <cstdio>
#include <utility>

const QString CZETbrowserApp::kProfileName = QStringLiteral(ZET_PROGRAM_NAME);

CZETbrowserApp::CZETbrowserApp(UserPrompts& prompts, QObject* parent)
    : QObject(parent), m_prompts(prompts)
{}

CZETbrowserApp::~CZETbrowserApp() = default;

void CZETbrowserApp::OpenForwardedFiles()
{
    if (m_forwardedFiles.isEmpty() || m_mainFrame == nullptr)
        return;
    // A request arriving while a dialog runs (a save question, say) waits for it to end, so no
    // window changes under the dialog's feet.
    if (QApplication::activeModalWidget() != nullptr ||
        QApplication::activePopupWidget() != nullptr) {
        QTimer::singleShot(200, this, &CZETbrowserApp::OpenForwardedFiles);
        emit forwardedFilesHeld(m_forwardedFiles);
        return;
    }
    const QStringList files = std::exchange(m_forwardedFiles, {});
    for (const QString& path : files)
        m_mainFrame->documents().OpenDocumentFile(path);
    m_mainFrame->raise();
    m_mainFrame->activateWindow();
}

bool CZETbrowserApp::IsEmbeddingSwitch(const QString& argument)
{
    if (argument.size() < 2 || (argument[0] != u'-' && argument[0] != u'/'))
        return false;
    const QString word = argument.mid(1);
    return word.compare(QStringLiteral("Embedding"), Qt::CaseInsensitive) == 0 ||
           word.compare(QStringLiteral("Automation"), Qt::CaseInsensitive) == 0;
}

std::optional<int> CZETbrowserApp::InitInstance(const QStringList& arguments)
{
    QCoreApplication::setApplicationName(kProfileName);
    QCoreApplication::setApplicationVersion(QStringLiteral(ZET_PROGRAM_VERSION));
    // No display name: Qt would add it to every window title (" — ZET browser").
    QGuiApplication::setDesktopFileName(QStringLiteral("zetbrowser"));

    // The embedding switches are Windows-style words QCommandLineParser would split into
    // letters; they are taken out first.
    bool embedding = false;
    QStringList rest;
    for (const QString& argument : arguments) {
        if (!rest.isEmpty() && IsEmbeddingSwitch(argument))
            embedding = true;
        else
            rest.append(argument);
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Editor of syntax-helper books (.zet)."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A .zet book to open."),
                                 QStringLiteral("[file]"));
    if (!parser.parse(rest)) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(helpOption)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        std::fflush(stdout);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        std::printf("%s %s\n", ZET_PROGRAM_NAME, ZET_PROGRAM_VERSION);
        std::fflush(stdout);
        return 0;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "Only one file can be named.\n");
        return 2;
    }
    if (embedding)
        return 0;

    const QString file =
        files.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(files.first()).absoluteFilePath());
    if (!file.isEmpty() && CInstanceChannel::Forward(file))
        return 0;

    if (QCoreApplication* app = QCoreApplication::instance())
        UiLanguage::installQtTranslations(*app);
    UiLanguage::preferRussianSystemMessages();

    m_settings = std::make_unique<QSettings>(kProfileName);
    m_recentFiles = std::make_unique<CRecentFileList>(*m_settings, kRecentFileCount);
    m_recentFiles->ReadList();

    QIcon appIcon;
    for (const char* size : {"16x16", "32x32", "48x48", "64x64"})
        appIcon.addFile(QStringLiteral(":/icons/%1/zetbrowser.png").arg(QLatin1String(size)));
    QApplication::setWindowIcon(appIcon);

    m_mainFrame = std::make_unique<CMainFrame>(m_prompts, *m_recentFiles);

    CDesktopIntegration::RegisterForUser();

    m_channel = new CInstanceChannel(this);
    m_channel->Listen();
    connect(
        m_channel, &CInstanceChannel::openRequested, this,
        [this](const QString& path) {
            m_forwardedFiles.append(path);
            OpenForwardedFiles();
        },
        Qt::QueuedConnection);

    if (!file.isEmpty() && m_mainFrame->documents().OpenDocumentFile(file) == nullptr)
        return 1;

    // The maximised size even where no window manager maximises (a bare X server).
    if (QScreen* screen = QGuiApplication::primaryScreen())
        m_mainFrame->setGeometry(screen->availableGeometry());
    m_mainFrame->showMaximized();
    return std::nullopt;
}
