#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// Opens a link the way the desktop does; when the desktop cannot, starts the user's default
// program for web pages with the link. Results follow the classic shell codes: greater than 32
// on success, otherwise an error code that CLinkLabel::OpenErrorText explains. The desktop
// answers only once its opener has ended, so the result comes later. The protected steps are
// virtual so that tests can stand in for the desktop.
class CLinkOpener
{
public:
    using Done = std::function<void(int result)>;

    enum Result : int {
        OutOfResources = 0,
        FileNotFound = 2,
        PathNotFound = 3,
        AccessDenied = 5,
        BadAssociation = 27, // the program for it failed
        NoAssociation = 31,
        Opened = 33,
    };

    virtual ~CLinkOpener() = default;

    // Calls `done` once with the result, from the event loop; not at all when the opener is
    // destroyed before the desktop answers.
    virtual void Open(const QString& target, Done done);

    // The program and arguments that open `target` with a desktop entry's Exec line: the line
    // up to its first file or URL placeholder (quoted or not; the rest is dropped), other field
    // codes left out, then `target` as one argument. Empty when the line names no program.
    static QStringList CommandForTarget(const QString& execLine, const QString& target);

protected:
    // xdg-open, answering Opened or the code of its failure.
    virtual void OpenWithDesktop(const QString& target, Done done);
    // The Exec line of the desktop entry that `xdg-mime` names as the default for text/html;
    // empty when there is none.
    virtual QString DefaultHtmlExecLine();
    // Starts `program` detached, without a shell; Opened or an error code.
    virtual int StartProgram(const QString& program, const QStringList& arguments);

private:
    // The fallback once the desktop has failed with `desktopResult`.
    int OpenWithDefaultProgram(const QString& target, int desktopResult);

    // Gone with the opener, so that an answer coming later finds it gone.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};
