#pragma once

#include "HelpBuild.h"
#include "HelpOptions.h"

#include <QDialog>
#include <QString>

class CButtonST;
class CStylePicture;
class CZETbrowserDoc;
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
// compiler, the help file's name, its folder, the page style and the text alignment; OK hands
// them to a HelpBuild, which does the work: the progress bar follows the project's writing, the
// style picture shows its animation while the compiler runs, and a build that succeeds closes
// the dialog. While the compiler runs only "Отмена" works: it, Escape and closing the dialog
// offer to stop the compiler. A failure or a stop leaves the dialog open with every field as
// typed.
class CCreateHelpDialog : public QDialog
{
    Q_OBJECT

public:
    // The book must stay unchanged while the dialog runs. `ui` gives the status bar, the main
    // window's caption and the wait cursor; `platform` the compiler's lookup and profile entry
    // and the desktop's opening of the help file.
    CCreateHelpDialog(const CZETbrowserDoc& document, UserPrompts& prompts, IUiServices& ui,
                      IHelpPlatform& platform, QWidget* parent = nullptr);

    // The defaults: the title without "*", cut before its last ".", plus ".chm"; the folder of
    // the book plus "/Help" (for a book never saved, the home folder plus "/Help").
    static QString DefaultHelpFileName(const QString& title);
    static QString DefaultHelpDirectory(const QString& pathName);
    // The browse buttons' hot background: the normal one lightened by 10 on each channel.
    static QColor HotBackgroundFor(const QColor& normal);

    // True from OK's start of the work until it is over.
    bool IsBusy() const { return m_build.isBusy(); }

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

private:
    void CreateControls();
    void OnInitDialog();
    // Controls to members (true) or members to controls (false).
    void UpdateData(bool saveAndValidate);
    // The members as the build takes them.
    HelpOptions BuildOptions() const;
    void OnBuildStateChanged(HelpBuild::State state);
    void OnBuildProgress(int position, int maximum);
    void OnBuildFinished(HelpBuild::Outcome outcome);
    // The controls the user fills in, and OK; "Отмена" stays.
    void EnableInputs(bool enabled);

    const CZETbrowserDoc& m_document;
    UserPrompts& m_prompts;

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

    // The work of an OK. Declared last, it ends its work before the controls it reports to go.
    HelpBuild m_build;
};
