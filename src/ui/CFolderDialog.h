#pragma once

#include <QFileDialog>

class QLabel;

// "Выбор каталога": Qt's own file dialog showing folders only. It starts in the caller's folder,
// shows the folder being browsed under "Имя папки:", and its "Выбрать" button returns that
// folder (not a folder merely selected in the list: entering one is a double click).
class CFolderDialog : public QFileDialog
{
    Q_OBJECT

public:
    // `folder` holds the start folder and receives the chosen one when the dialog is accepted;
    // the caller owns it. It stays as it was when the dialog is cancelled.
    explicit CFolderDialog(QString* folder, QWidget* parent = nullptr);

    // The folder being browsed, without a trailing "/" except for the root.
    QString ShownFolder() const;
    // The display of the folder being browsed.
    QLabel* folderLabel() const { return m_folderLabel; }

public slots:
    void accept() override;

private:
    void OnFolderChange(const QString& folder);

    QString* m_folder;
    QLabel* m_folderLabel = nullptr; // child widget
};
