#include "HelpCompilerProcess.h"

#include <QDeadlineTimer>

#include <cstdio>
#include <utility>

#include <signal.h>
#include <unistd.h>

HelpCompilerProcess::HelpCompilerProcess(QObject* parent) : QObject(parent)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    // A group of its own, so stopping it reaches whatever it started as well.
    m_process.setChildProcessModifier([] { ::setpgid(0, 0); });
    connect(&m_process, &QProcess::readyRead, this, &HelpCompilerProcess::OnReadyRead);
    connect(&m_process, &QProcess::finished, this, &HelpCompilerProcess::OnFinished);
    connect(&m_process, &QProcess::errorOccurred, this, &HelpCompilerProcess::OnError);
    m_killTimer.setSingleShot(true);
    m_killTimer.setInterval(kStopGraceMs);
    connect(&m_killTimer, &QTimer::timeout, this, [this] { SignalCompiler(SIGKILL); });
}

HelpCompilerProcess::~HelpCompilerProcess()
{
    if (!m_running)
        return;
    // Nothing more is delivered: this object is going away.
    m_process.disconnect(this);
    // Read on while waiting: its output must not pile up in memory meanwhile.
    const QDeadlineTimer deadline(kFinishGraceMs);
    while (m_process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        if (m_process.waitForReadyRead(int(deadline.remainingTime())))
            OnReadyRead();
        else
            m_process.waitForFinished(int(deadline.remainingTime()));
    }
    if (m_process.state() == QProcess::NotRunning)
        return;
    SignalCompiler(SIGKILL);
    m_process.waitForFinished(-1);
    OnReadyRead();
    const bool removed = HelpCompiler::AbandonCompile(m_run);
    std::fprintf(
        stderr, "%s: the help compiler was stopped before it ended%s\n", m_run.program.c_str(),
        removed ? ("; its unfinished " + m_run.helpFilePath + " was removed").c_str() : "");
}

bool HelpCompilerProcess::Start(HelpCompiler::CompileRun run)
{
    if (m_running)
        return false;
    m_run = std::move(run);
    m_result = {};
    m_running = true;
    m_stopping = false;
    QStringList arguments;
    for (const std::string& argument : m_run.arguments)
        arguments << QString::fromStdString(argument);
    m_process.setWorkingDirectory(QString::fromStdString(m_run.workingDirectory));
    m_process.start(QString::fromStdString(m_run.program), arguments);
    // Nothing is typed to it: a compiler that reads its input ends instead of waiting.
    m_process.closeWriteChannel();
    return true;
}

void HelpCompilerProcess::Stop()
{
    if (!m_running || m_stopping)
        return;
    m_stopping = true;
    SignalCompiler(SIGTERM);
    m_killTimer.start();
}

void HelpCompilerProcess::SignalCompiler(int signal)
{
    const qint64 pid = m_process.processId();
    if (pid <= 0)
        return;
    // The group may not be there yet when the child has not reached setpgid: the child then.
    if (::kill(-pid_t(pid), signal) != 0)
        ::kill(pid_t(pid), signal);
}

void HelpCompilerProcess::OnReadyRead()
{
    const QByteArray chunk = m_process.readAll();
    if (!chunk.isEmpty())
        m_run.output.Append(std::string_view(chunk.constData(), std::size_t(chunk.size())));
}

void HelpCompilerProcess::OnError(QProcess::ProcessError error)
{
    // Only a failed start ends the run here; a crash is followed by finished().
    if (error != QProcess::FailedToStart || !m_running)
        return;
    m_result.started = false;
    m_result.errorText = m_process.errorString().toStdString();
    m_running = false;
    m_killTimer.stop();
    emit finished();
}

void HelpCompilerProcess::OnFinished(int exitCode, QProcess::ExitStatus status)
{
    if (!m_running)
        return;
    m_killTimer.stop();
    OnReadyRead();
    m_result.started = true;
    m_result.normalExit = status == QProcess::NormalExit;
    m_result.exitCode = exitCode;
    if (!m_result.normalExit)
        m_result.errorText = m_process.errorString().toStdString();
    m_running = false;
    emit finished();
}
