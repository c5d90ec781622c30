#include "QtUiServices.h"

#include "CMainFrame.h"
#include "UserPrompts.h"

#include <QApplication>
#include <QCursor>

QtUiServices::QtUiServices(CMainFrame& frame, UserPrompts& prompts)
    : m_frame(frame), m_prompts(prompts)
{}

QtUiServices::~QtUiServices()
{
    while (m_waitDepth > 0)
        EndWaitCursor();
}

std::string QtUiServices::MainWindowCaption()
{
    return m_frame.windowTitle().toStdString();
}

void QtUiServices::SetStatusText(const std::string& text)
{
    m_frame.SetStatusText(QString::fromStdString(text));
}

void QtUiServices::BeginWaitCursor()
{
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    ++m_waitDepth;
}

void QtUiServices::EndWaitCursor()
{
    if (m_waitDepth == 0)
        return;
    --m_waitDepth;
    QApplication::restoreOverrideCursor();
}

void QtUiServices::ShowError(const std::string& text)
{
    m_prompts.message(&m_frame, QMessageBox::Warning, QString::fromStdString(text), QMessageBox::Ok,
                      QMessageBox::Ok);
}

IUiServices::Answer QtUiServices::AskYesNo(const std::string& text, bool defaultNo)
{
    const auto answer = m_prompts.message(
        &m_frame, QMessageBox::Question, QString::fromStdString(text),
        QMessageBox::Yes | QMessageBox::No, defaultNo ? QMessageBox::No : QMessageBox::Yes);
    return answer == QMessageBox::Yes ? Answer::Yes : Answer::No;
}
