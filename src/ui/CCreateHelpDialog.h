#pragma once

#include "HelpCompiler.h"
#include "HelpOptions.h"
#include "QtHelpMessages.h"

#include <QDialog>
#include <QString>
#include <QTimer>

#include <string>

class CButtonST;
class CStylePicture;
class CZETbrowserDoc;
class HelpCompilerProcess;
class HelpGenerationJob;
class IHelpPlatform;
class IUiServices;
class QAbstractButton;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class UserPrompts;

// "Создание файла справки": turns the book into a compiled help file. The user gives the
// compiler, the help file's name, its folder, the page style and the text alignment; OK checks
// the name and the folder, writes the project (on a worker thread, the progress bar following),
// compiles it (the compiler runs on its own while the style picture shows its animation), opens
// the help file through the desktop and remembers the compiler. While the project is written no
// window takes input and none closes (the book is read meanwhile). While the compiler runs only
// "Отмена" works: it, Escape and closing the dialog offer to stop the compiler. A failure of any
// step is reported, and a failure or a stop leaves the dialog open with every field as typed.
class CCreateHelpDialog : public QDialog
{
    Q_OBJECT

public:
    // The book must stay unchanged while the dialog runs. `ui` gives the status bar, the main
    // window's caption and the wait cursor; `platform` the compiler's lookup and profile entry
    // and the desktop's opening of the help file.
    CCreateHelpDialog(const CZETbrowserDoc& document, UserPrompts& prompts, IUiServices& ui,
                      IHelpPlatform& platform, QWidget* parent = nullptr);
    ~CCreateHelpDialog() override;

    // The defaults: the title without "*", cut before its last ".", plus ".chm"; the folder of
    // the book plus "/Help" (for a book never saved, the home folder plus "/Help").
    static QString DefaultHelpFileName(const QString& title);
    static QString DefaultHelpDirectory(const QString& pathName);
    // The browse buttons' hot background: the normal one lightened by 10 on each channel.
    static QColor HotBackgroundFor(const QColor& normal);

    // True from OK's start of the work until it is over.
    bool IsBusy() const { return m_busy; }

    QLineEdit* compilerEdit() const { return m_compilerEdit; }
    QLineEdit* helpFileNameEdit() const { return m_helpFileNameEdit; }
    QLineEdit* helpDirectoryEdit() const { return m_helpDirectoryEdit; }
    CButtonST* compilerBrowseButton() const { return m_compilerBrowse; }
    CButtonST* directoryBrowseButton() const { return m_directoryBrowse; }
    QRadioButton* syntaxHelperButton() const { return m_syntaxHelperRadio; }
    QRadioButton* htmlTableButton() const { return m_htmlTableRadio; }
    QPushButton* leftAlignmentButton() const { return m_leftButton; }
    QPushButton* justifyButton() const { return m_justifyButton; }
    QLabel* alignmentLabel() const { return m_alignmentLabel; }
    CStylePicture* stylePicture() const { return m_stylePicture; }
    QProgressBar* progressBar() const { return m_progress; }
    QPushButton* okButton() const { return m_okButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }

    void OnOK();
    void OnBrowseCompiler();
    void OnBrowseDirectory();
    void OnStyleChanged();
    void OnAlignmentChanged();

    // Ignored while the project is written; while the compiler runs, a rejection asks whether
    // to stop it.
    void done(int result) override;

signals:
    // The work of an OK is over, whatever its outcome (the dialog may be closing).
    void workFinished(bool built);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void OnInitDialog();
    // Controls to members (true) or members to controls (false).
    void UpdateData(bool saveAndValidate);
    void OnGenerated(bool succeeded);
    void OnCompilerFinished();
    void OnCompiled();
    // Asks whether to stop the compiler, and stops it on Yes.
    void AskToStopCompiler();
    // Ends the busy state: picture, wait cursor, and `status` (the caption when empty).
    void EndWork(const std::string& status = {});
    // Every window's input held back (true) or let through again.
    void LockInput(bool locked);
    // The controls the user fills in, and OK; "Отмена" stays.
    void EnableInputs(bool enabled);
    void UpdateProgress();

    const CZETbrowserDoc& m_document;
    UserPrompts& m_prompts;
    IUiServices& m_ui;
    IHelpPlatform& m_platform;
    QtHelpMessages m_messages;

    // The dialog's data, exchanged with the controls by UpdateData.
    QString compilerPath;
    QString helpDirectory;
    QString helpFileName;
    int style = 0;
    int alignment = 0;
    QString alignmentText;

    // Child widgets.
    QLineEdit* m_compilerEdit = nullptr;
    CButtonST* m_compilerBrowse = nullptr;
    QLineEdit* m_helpFileNameEdit = nullptr;
    QLineEdit* m_helpDirectoryEdit = nullptr;
    CButtonST* m_directoryBrowse = nullptr;
    QRadioButton* m_syntaxHelperRadio = nullptr;
    QRadioButton* m_htmlTableRadio = nullptr;
    QButtonGroup* m_styleGroup = nullptr;
    QLabel* m_alignmentLabel = nullptr;
    CStylePicture* m_stylePicture = nullptr;
    QPushButton* m_leftButton = nullptr;
    QPushButton* m_justifyButton = nullptr;
    QButtonGroup* m_alignmentGroup = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;

    // The work of one OK.
    HelpGenerationJob* m_generation = nullptr; // children
    HelpCompilerProcess* m_compilerProcess = nullptr;
    QTimer m_progressTimer;
    HelpOptions m_options;
    std::string m_caption;
    bool m_busy = false;
    bool m_inputLocked = false;
    bool m_compiling = false;
    bool m_askingToStop = false;
    // The compiler ended while the question to stop it was up: handled after the answer.
    bool m_compileEndPending = false;
    bool m_waitCursor = false;
};
