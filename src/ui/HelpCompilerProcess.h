#pragma once

#include "HelpCompiler.h"
#include "IHelpPlatform.h"

#include <QObject>
#include <QProcess>

// Runs the help compiler without waiting for it: the GUI thread goes on processing events while
// the compiler works, and finished() reports how it ended. HelpCompiler prepares the run
// (BeginCompile) and judges it (FinishCompile). What the compiler prints goes to the run's output
// log as it comes.
class HelpCompilerProcess : public QObject
{
    Q_OBJECT

public:
    // How long the destructor lets a running compiler finish before stopping it.
    static constexpr int kFinishGraceMs = 10000;

    explicit HelpCompilerProcess(QObject* parent = nullptr);
    // A compiler still running is given kFinishGraceMs to end, then stopped; a help file it
    // left half-written is removed, and said on stderr.
    ~HelpCompilerProcess() override;

    // False when a compiler is already running; otherwise finished() follows.
    bool Start(HelpCompiler::CompileRun run);
    bool IsRunning() const { return m_running; }
    // After finished(): how the run went, for HelpCompiler::FinishCompile.
    HelpCompiler::CompileRun& Run() { return m_run; }
    const IHelpPlatform::RunResult& Result() const { return m_result; }

signals:
    void finished();

private:
    void OnReadyRead();
    void OnFinished(int exitCode, QProcess::ExitStatus status);
    void OnError(QProcess::ProcessError error);

    QProcess m_process;
    HelpCompiler::CompileRun m_run;
    IHelpPlatform::RunResult m_result;
    bool m_running = false;
};
