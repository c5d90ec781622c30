#include "HelpCompilerProcess.h"

#include <cstdio>

HelpCompilerProcess::HelpCompilerProcess(QObject* parent) : QObject(parent)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    connect(&m_process, &QProcess::finished, this, &HelpCompilerProcess::OnFinished);
    connect(&m_process, &QProcess::errorOccurred, this, &HelpCompilerProcess::OnError);
}

HelpCompilerProcess::~HelpCompilerProcess()
{
    if (!m_running)
        return;
    // Nothing more is delivered: this object is going away.
    m_process.disconnect(this);
    if (m_process.waitForFinished(kFinishGraceMs))
        return;
    m_process.kill();
    m_process.waitForFinished(-1);
    const bool removed = HelpCompiler::AbandonCompile(m_run);
    std::fprintf(
        stderr, "%s: the help compiler was stopped before it ended%s\n", m_run.program.c_str(),
        removed ? ("; its unfinished " + m_run.helpFilePath + " was removed").c_str() : "");
}

bool HelpCompilerProcess::Start(const HelpCompiler::CompileRun& run)
{
    if (m_running)
        return false;
    m_run = run;
    m_result = {};
    m_running = true;
    QStringList arguments;
    for (const std::string& argument : run.arguments)
        arguments << QString::fromStdString(argument);
    m_process.setWorkingDirectory(QString::fromStdString(run.workingDirectory));
    m_process.start(QString::fromStdString(run.program), arguments);
    return true;
}

void HelpCompilerProcess::OnError(QProcess::ProcessError error)
{
    // Only a failed start ends the run here; a crash is followed by finished().
    if (error != QProcess::FailedToStart || !m_running)
        return;
    m_result.started = false;
    m_result.errorText = m_process.errorString().toStdString();
    m_running = false;
    emit finished();
}

void HelpCompilerProcess::OnFinished(int exitCode, QProcess::ExitStatus status)
{
    if (!m_running)
        return;
    m_result.started = true;
    m_result.normalExit = status == QProcess::NormalExit;
    m_result.exitCode = exitCode;
    m_result.output = m_process.readAll().toStdString();
    if (!m_result.normalExit)
        m_result.errorText = m_process.errorString().toStdString();
    m_running = false;
    emit finished();
}
