#include "QtHelpPlatform.h"

#include "ProgramInfo.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

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
                                                    const std::string& workingDirectory)
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
    process.waitForFinished(-1);
    result.output = process.readAll().toStdString();
    result.normalExit = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    if (!result.normalExit)
        result.errorText = process.errorString().toStdString();
    return result;
}

bool QtHelpPlatform::OpenDocument(const std::string& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}
