#include "DesktopOpener.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <memory>

namespace {

// Ended with the application if still running: xdg-open itself, not the program it started.
class OpenerProcess : public QProcess
{
public:
    using QProcess::QProcess;
    ~OpenerProcess() override
    {
        if (state() == QProcess::NotRunning)
            return;
        kill();
        waitForFinished(1000);
    }
};

// xdg-open's exit status: 0 success, 1 bad arguments, 2 no such file, 3 no program for it,
// 4 the program failed.
DesktopOpener::Outcome outcomeOf(int exitCode, QProcess::ExitStatus status)
{
    if (status != QProcess::NormalExit)
        return DesktopOpener::Outcome::ProgramFailed;
    switch (exitCode) {
    case 0:
        return DesktopOpener::Outcome::Opened;
    case 2:
        return DesktopOpener::Outcome::NotFound;
    case 1:
    case 3:
        return DesktopOpener::Outcome::NoProgram;
    default:
        return DesktopOpener::Outcome::ProgramFailed;
    }
}

} // namespace

void DesktopOpener::Open(const QString& target, Done done, int runningMeansOpenedMs)
{
    // Answered once: by the end of xdg-open or by its still running, whichever comes first.
    auto pending = std::make_shared<Done>(std::move(done));
    const auto answer = [pending](Outcome outcome) {
        if (!*pending)
            return;
        Done call = std::move(*pending);
        *pending = nullptr;
        call(outcome);
    };
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) {
        answer(Outcome::NotStarted); // no event loop to answer from
        return;
    }
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (program.isEmpty()) {
        QTimer::singleShot(0, application, [answer] { answer(Outcome::NotStarted); });
        return;
    }
    auto* process = new OpenerProcess(application);
    process->setProgram(program);
    process->setArguments({target});
    // Nothing is read from it: a program that writes much must not fill a pipe and stall.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process,
                     [process, answer](int exitCode, QProcess::ExitStatus status) {
                         answer(outcomeOf(exitCode, status));
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, answer](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         answer(Outcome::NotStarted);
                         process->deleteLater();
                     });
    QTimer::singleShot(runningMeansOpenedMs, process, [answer] { answer(Outcome::Opened); });
    process->start();
}
