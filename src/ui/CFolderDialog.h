#pragma once

#include <QFileDialog>
#include <QPointer>

#include <optional>

class QAbstractItemView;
class QFileSystemModel;
class QItemSelection;
class QLabel;
class QLineEdit;

// "Выбор каталога": Qt's own file dialog showing folders only. It starts in the caller's folder,
// shows the folder being browsed under "Имя папки:", and its "Выбрать" button (or Enter in the
// lists) returns that folder (not a folder merely selected in the list: entering one is a double
// click), or the folder just made with "Новая папка" while it is still the one highlighted.
// The folder list is filled and refreshed on a thread: a listing read before the new folder was
// made or renamed may arrive after it and drop its row. The dialog puts the row back at once,
// highlighted (with the name being typed, if it was), unless the user has highlighted another
// folder meanwhile.
class CFolderDialog : public QFileDialog
{
    Q_OBJECT

public:
    // `folder` holds the start folder and receives the chosen one when the dialog is accepted;
    // the caller owns it. It stays as it was when the dialog is cancelled.
    explicit CFolderDialog(QString* folder, QWidget* parent = nullptr);
    ~CFolderDialog() override;

    // The folder being browsed, without a trailing "/" except for the root.
    QString ShownFolder() const;
    // What "Выбрать" gives now: the folder made in this dialog while it is highlighted, else
    // the folder shown.
    QString ChosenFolder() const;
    // The display of the folder being browsed.
    QLabel* folderLabel() const { return m_folderLabel; }

public slots:
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnFolderChange(const QString& folder);
    void OnFolderCreated();
    void OnFileRenamed(const QString& path, const QString& oldName, const QString& newName);

    QAbstractItemView* listView() const;
    QAbstractItemView* shownView() const;
    bool isNewFolder(const QModelIndex& index) const;
    bool newFolderHighlighted() const;
    bool rowsLeaving() const;
    void followHighlight();
    void followSelection(const QItemSelection& selected, const QItemSelection& deselected);
    void noteRowsLeaving(const QModelIndex& parent, int first, int last);
    void bringBackNewFolder();
    void highlightNewFolder(const QModelIndex& index);
    void watchNameEditor(QLineEdit* editor);
    void keepNameBeingTyped();

    QString* m_folder;
    QLabel* m_folderLabel = nullptr; // child widget
    QFileSystemModel* m_model = nullptr;
    // The folder last made with "Новая папка", as it is named now.
    QString m_newFolder;
    // The user left the highlight on it.
    bool m_newFolderHighlighted = false;
    // Its row went away under the highlight while the folder stayed on disk; the dialog brings
    // the row, and the highlight, back on the event loop's next turn.
    bool m_newFolderAway = false;
    // Its name as typed so far, when the row went away while the name was being typed, and
    // whether Enter had finished it.
    std::optional<QString> m_interruptedName;
    bool m_interruptedNameEntered = false;
    // The editor its name is being typed in (a child of the list, deleted by the list), and
    // whether Enter has been pressed in it.
    QPointer<QLineEdit> m_nameEditor;
    bool m_nameEntered = false;
};
