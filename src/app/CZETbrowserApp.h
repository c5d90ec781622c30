#pragma once

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

class CInstanceChannel;
class CMainFrame;
class CRecentFileList;
class QSettings;
class UserPrompts;

// The program: profile, recent files, main frame, desktop integration and the command line.
// Lives for the whole process, next to the QApplication.
class CZETbrowserApp : public QObject
{
    Q_OBJECT

public:
    static const QString kProfileName;
    static constexpr int kRecentFileCount = 4;

    explicit CZETbrowserApp(UserPrompts& prompts, QObject* parent = nullptr);
    ~CZETbrowserApp() override;

    // Runs the start-up. An exit status means the program ends now without entering the
    // event loop (a switch that only asks for help or version, embedding, a file handed to the
    // running instance, or a file that could not be opened); nothing means carry on.
    std::optional<int> InitInstance(const QStringList& arguments);

    CMainFrame* mainFrame() const { return m_mainFrame.get(); }
    CRecentFileList* recentFiles() const { return m_recentFiles.get(); }
    CInstanceChannel* instanceChannel() const { return m_channel; }

    // Whether an argument is one of the switches that start the program for embedding or
    // automation (either prefix, any letter case).
    static bool IsEmbeddingSwitch(const QString& argument);

signals:
    // Files handed over by a second start wait for a dialog or menu to end; they are looked at
    // again shortly.
    void forwardedFilesHeld(const QStringList& paths);

private:
    void OpenForwardedFiles();

    UserPrompts& m_prompts;
    QStringList m_forwardedFiles;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<CRecentFileList> m_recentFiles;
    std::unique_ptr<CMainFrame> m_mainFrame;
    CInstanceChannel* m_channel = nullptr;
};
