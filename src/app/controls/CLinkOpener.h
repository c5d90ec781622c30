#pragma once

#include <QString>
#include <QStringList>

// Opens a link the way the desktop does; when the desktop cannot, starts the user's default
// program for web pages with the link. Results follow the classic shell codes: greater than 32
// on success, otherwise an error code that CLinkLabel::OpenErrorText explains. The protected
// steps are virtual so that tests can stand in for the desktop.
class CLinkOpener
{
public:
    enum Result : int {
        OutOfResources = 0,
        FileNotFound = 2,
        PathNotFound = 3,
        AccessDenied = 5,
        NoAssociation = 31,
        Opened = 33,
    };

    virtual ~CLinkOpener() = default;

    virtual int Open(const QString& target);

    // The program and arguments that open `target` with a desktop entry's Exec line: the line
    // up to its first file or URL placeholder (quoted or not; the rest is dropped), other field
    // codes left out, then `target` as one argument. Empty when the line names no program.
    static QStringList CommandForTarget(const QString& execLine, const QString& target);

protected:
    // QDesktopServices::openUrl.
    virtual bool OpenWithDesktop(const QString& target);
    // The Exec line of the desktop entry that `xdg-mime` names as the default for text/html;
    // empty when there is none.
    virtual QString DefaultHtmlExecLine();
    // Starts `program` detached, without a shell; Opened or an error code.
    virtual int StartProgram(const QString& program, const QStringList& arguments);
};
