#include "QtHelpPlatform.h"

#include "ProgramInfo.h"

#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

namespace {

// The application's own profile is named after its title ("ZET browser.conf" under the user's
// configuration folder).
const QString kProfile = QStringLiteral(ZET_PROGRAM_NAME);
const QString kCompilerKey = QStringLiteral("Settings/HtmlHelpCompiler");

} // namespace

std::string QtHelpPlatform::FindExecutable(const std::string& program)
{
    return QStandardPaths::findExecutable(QString::fromStdString(program)).toStdString();
}

std::string QtHelpPlatform::FindBesideProgram(const std::string& program)
{
    // The running program's folder, with or without an application object (zettool has none).
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (self.isEmpty())
        return {};
    return QStandardPaths::findExecutable(QString::fromStdString(program),
                                          {QFileInfo(self).absolutePath()})
        .toStdString();
}

std::optional<std::string> QtHelpPlatform::ReadCompilerSetting()
{
    const QVariant value = QSettings(kProfile).value(kCompilerKey);
    if (!value.isValid())
        return std::nullopt;
    return value.toString().toStdString();
}

void QtHelpPlatform::WriteCompilerSetting(const std::string& path)
{
    QSettings settings(kProfile);
    settings.setValue(kCompilerKey, QString::fromStdString(path));
}

IHelpPlatform::RunResult QtHelpPlatform::RunProgram(const std::string& program,
                                                    const std::vector<std::string>& arguments,
                                                    const std::string& workingDirectory,
                                                    const OutputSink& output)
{
    QStringList args;
    for (const std::string& argument : arguments)
        args << QString::fromStdString(argument);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(QString::fromStdString(workingDirectory));
    process.start(QString::fromStdString(program), args);
    RunResult result;
    if (!process.waitForStarted(-1)) {
        result.errorText = process.errorString().toStdString();
        return result;
    }
    result.started = true;
    // Nothing is typed to it: a program that reads its input ends instead of waiting.
    process.closeWriteChannel();
    // Handed on as it comes: a compiler may print more than fits in memory.
    const auto pass = [&] {
        const QByteArray chunk = process.readAll();
        if (!chunk.isEmpty() && output)
            output(std::string_view(chunk.constData(), std::size_t(chunk.size())));
    };
    while (process.waitForReadyRead(-1))
        pass();
    process.waitForFinished(-1);
    pass();
    result.normalExit = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    if (!result.normalExit)
        result.errorText = process.errorString().toStdString();
    return result;
}

bool QtHelpPlatform::OpenDocument(const std::string&)
{
    return false;
}
