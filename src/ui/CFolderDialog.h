#pragma once

#include <QFileDialog>

class QFileSystemModel;
class QLabel;

// "Выбор каталога": Qt's own file dialog showing folders only. It starts in the caller's folder,
// shows the folder being browsed under "Имя папки:", and its "Выбрать" button (or Enter in the
// lists) returns that folder (not a folder merely selected in the list: entering one is a double
// click), or the folder just made with "Новая папка" while it is still the one highlighted.
class CFolderDialog : public QFileDialog
{
    Q_OBJECT

public:
    // `folder` holds the start folder and receives the chosen one when the dialog is accepted;
    // the caller owns it. It stays as it was when the dialog is cancelled.
    explicit CFolderDialog(QString* folder, QWidget* parent = nullptr);

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

    QString* m_folder;
    QLabel* m_folderLabel = nullptr; // child widget
    QFileSystemModel* m_model = nullptr;
    // The folder last made with "Новая папка", as it is named now.
    QString m_newFolder;
};
