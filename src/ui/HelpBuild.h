#pragma once

#include "HelpOptions.h"
#include "QtHelpMessages.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <string>

class CZETbrowserDoc;
class HelpCompilerProcess;
class HelpGenerationJob;
class IHelpPlatform;
class IUiServices;
class QWidget;
class UserPrompts;

// One build of a book's help file, from the check of its name and folder to the opening of the
// compiled file. The project is written on a worker thread while no window takes input and none
// closes (the book is read meanwhile); the compiler then runs on its own and may be stopped
// (requestStop). The main window's status bar and wait cursor follow the work; every message and
// question is shown over `window`. A failure of any step is said to the user before finished().
class HelpBuild : public QObject
{
    Q_OBJECT

public:
    enum class State {
        Idle,
        Generating, // the project is being written
        Compiling,  // the compiler runs
        Stopping,   // the user chose to stop the compiler; it is being ended
    };
    Q_ENUM(State)
    enum class Outcome { Built, Failed, Stopped };
    Q_ENUM(Outcome)

    // The book must stay unchanged while a build runs.
    HelpBuild(const CZETbrowserDoc& document, UserPrompts& prompts, IUiServices& ui,
              IHelpPlatform& platform, QWidget* window, QObject* parent = nullptr);
    // A running build is finished first: the project's writing is waited for, the compiler given
    // its time (HelpCompilerProcess); the wait cursor and the status bar come back. Nothing is
    // emitted from here.
    ~HelpBuild() override;

    // The compiler to offer: found on PATH, else the remembered one, else empty.
    QString findCompiler();

    // Builds with `options` as the user gave them (the folder absolute). False when a build
    // already runs, or when the name or the folder will not do (said, or declined by the user);
    // otherwise finished() follows.
    bool start(const HelpOptions& options);
    // What "Отмена", Escape and closing mean during a build: while the compiler runs, asks
    // whether to stop it and stops it on Yes. The project's writing is never cut short.
    void requestStop();

    State state() const { return m_state; }
    bool isBusy() const { return m_state != State::Idle; }

signals:
    void stateChanged(HelpBuild::State state);
    // The project's writing has reached `position` of `maximum` (an empty book counts as one).
    void progressChanged(int position, int maximum);
    // The build is over (the state is back to Idle); a failure has been reported.
    void finished(HelpBuild::Outcome outcome);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setState(State state);
    void reportProgress();
    void onGenerated(bool succeeded);
    void onCompilerFinished();
    void onCompiled();
    // Ends the wait cursor and shows `status` (the caption when empty) in the status bar.
    void endWork(const std::string& status = {});
    // Every window's input held back (true) or let through again.
    void lockInput(bool locked);

    const CZETbrowserDoc& m_document;
    UserPrompts& m_prompts;
    IUiServices& m_ui;
    IHelpPlatform& m_platform;
    QWidget* m_window;
    QtHelpMessages m_messages;

    std::unique_ptr<HelpGenerationJob> m_generation;
    std::unique_ptr<HelpCompilerProcess> m_compilerProcess;
    QTimer m_progressTimer;
    HelpOptions m_options;
    std::string m_caption;
    State m_state = State::Idle;
    int m_progressMaximum = 1;
    bool m_inputLocked = false;
    bool m_waitCursor = false;
    bool m_askingToStop = false;
    // The compiler ended while the question to stop it was up: handled after the answer.
    bool m_compileEndPending = false;
};
