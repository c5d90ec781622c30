#pragma once

#include "HelpCompiler.h"
#include "IHelpPlatform.h"

#include <QObject>
#include <QProcess>
#include <QTimer>

// Runs the help compiler without waiting for it: the GUI thread goes on processing events while
// the compiler works, and finished() reports how it ended. HelpCompiler prepares the run
// (BeginCompile) and judges it (FinishCompile, or AbandonCompile after Stop). What the compiler
// prints goes to the run's output log as it comes.
class HelpCompilerProcess : public QObject
{
    Q_OBJECT

public:
    // How long the destructor lets a running compiler finish before stopping it.
    static constexpr int kFinishGraceMs = 10000;
    // How long Stop lets the compiler end after asking it to, before killing it.
    static constexpr int kStopGraceMs = 3000;

    explicit HelpCompilerProcess(QObject* parent = nullptr);
    // A compiler still running is given kFinishGraceMs to end, then stopped; a help file it
    // left half-written is removed, and said on stderr.
    ~HelpCompilerProcess() override;

    // False when a compiler is already running; otherwise finished() follows.
    bool Start(HelpCompiler::CompileRun run);
    bool IsRunning() const { return m_running; }
    // Asks the running compiler, and whatever it started, to end; kills them after
    // kStopGraceMs. finished() follows, with WasStopped() true.
    void Stop();
    bool IsStopping() const { return m_running && m_stopping; }
    // After finished(): how the run went, for HelpCompiler::FinishCompile or AbandonCompile.
    HelpCompiler::CompileRun& Run() { return m_run; }
    const IHelpPlatform::RunResult& Result() const { return m_result; }
    bool WasStopped() const { return m_stopping; }

signals:
    void finished();

private:
    void OnReadyRead();
    void OnFinished(int exitCode, QProcess::ExitStatus status);
    void OnError(QProcess::ProcessError error);
    // Sends `signal` to the compiler's process group (it leads one of its own).
    void SignalCompiler(int signal);

    QProcess m_process;
    QTimer m_killTimer;
    HelpCompiler::CompileRun m_run;
    IHelpPlatform::RunResult m_result;
    bool m_running = false;
    bool m_stopping = false;
};
