#include "CLinkOpener.h"

#include "DesktopOpener.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

// xdg-mime answers at once; a hung one must not hold the window for long.
constexpr int kQueryTimeoutMs = 5000;

bool isTargetPlaceholder(QStringView code)
{
    return code == u"%u" || code == u"%U" || code == u"%f" || code == u"%F";
}

// Removes the field codes other than the target placeholders and turns "%%" into "%".
QString withoutFieldCodes(const QString& argument)
{
    QString result;
    for (qsizetype i = 0; i < argument.size(); ++i) {
        if (argument[i] == u'%' && i + 1 < argument.size()) {
            if (argument[i + 1] == u'%')
                result += u'%';
            ++i;
            continue;
        }
        result += argument[i];
    }
    return result;
}

// Undoes the escapes of a desktop entry's string values.
QString unescapeDesktopValue(const QString& value)
{
    QString result;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size()) {
            const QChar next = value[++i];
            switch (next.unicode()) {
            case 's':
                result += u' ';
                break;
            case 'n':
                result += u'\n';
                break;
            case 't':
                result += u'\t';
                break;
            case 'r':
                result += u'\r';
                break;
            default:
                result += next;
                break;
            }
            continue;
        }
        result += value[i];
    }
    return result;
}

QString execLineOf(const QString& desktopFile)
{
    QFile file(desktopFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == u"[Desktop Entry]";
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0 && QStringView(line).first(equals).trimmed() == u"Exec")
            return unescapeDesktopValue(line.mid(equals + 1).trimmed());
    }
    return QString();
}

} // namespace

void CLinkOpener::Open(const QString& target, Done done)
{
    const std::weak_ptr<int> alive = m_alive;
    OpenWithDesktop(target, [this, alive, target, done](int result) {
        if (alive.expired())
            return;
        done(result > 32 ? result : OpenWithDefaultProgram(target, result));
    });
}

int CLinkOpener::OpenWithDefaultProgram(const QString& target, int desktopResult)
{
    // The desktop's own failure stands unless the fallback gets as far as starting a program.
    const QString execLine = DefaultHtmlExecLine();
    if (execLine.isEmpty())
        return desktopResult;
    QStringList command = CommandForTarget(execLine, target);
    if (command.isEmpty())
        return desktopResult;
    const QString program = command.takeFirst();
    return StartProgram(program, command);
}

QStringList CLinkOpener::CommandForTarget(const QString& execLine, const QString& target)
{
    QStringList command;
    for (const QString& token : QProcess::splitCommand(execLine)) {
        qsizetype placeholder = -1;
        for (qsizetype i = token.indexOf(u'%'); i >= 0 && i + 1 < token.size();
             i = token.indexOf(u'%', i + 2)) {
            if (isTargetPlaceholder(QStringView(token).sliced(i, 2))) {
                placeholder = i;
                break;
            }
        }
        if (placeholder >= 0) {
            const QString before = withoutFieldCodes(token.first(placeholder));
            if (!before.isEmpty())
                command << before;
            break;
        }
        const QString argument = withoutFieldCodes(token);
        if (!argument.isEmpty())
            command << argument;
    }
    if (command.isEmpty())
        return command;
    command << target;
    return command;
}

void CLinkOpener::OpenWithDesktop(const QString& target, Done done)
{
    DesktopOpener::Open(target, [done](DesktopOpener::Outcome outcome) {
        switch (outcome) {
        case DesktopOpener::Outcome::Opened:
            done(Opened);
            break;
        case DesktopOpener::Outcome::NotFound:
            done(FileNotFound);
            break;
        case DesktopOpener::Outcome::ProgramFailed:
            done(BadAssociation);
            break;
        case DesktopOpener::Outcome::NoProgram:
        case DesktopOpener::Outcome::NotStarted:
            done(NoAssociation);
            break;
        }
    });
}

QString CLinkOpener::DefaultHtmlExecLine()
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (!query.waitForFinished(kQueryTimeoutMs)) {
        query.kill();
        query.waitForFinished();
        return QString();
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return QString();
    const QString entry =
        QString::fromUtf8(query.readAllStandardOutput()).section(u'\n', 0, 0).trimmed();
    if (entry.isEmpty() || entry.contains(u'/'))
        return QString();
    const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entry);
    return path.isEmpty() ? QString() : execLineOf(path);
}

int CLinkOpener::StartProgram(const QString& program, const QStringList& arguments)
{
    QString path = program;
    if (!program.contains(u'/')) {
        path = QStandardPaths::findExecutable(program);
        if (path.isEmpty())
            return FileNotFound;
    }
    const QFileInfo info(path);
    if (!info.exists())
        return info.dir().exists() ? FileNotFound : PathNotFound;
    if (info.isDir() || !info.isExecutable())
        return AccessDenied;
    return QProcess::startDetached(path, arguments) ? Opened : OutOfResources;
}
