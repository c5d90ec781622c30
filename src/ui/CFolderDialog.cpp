#include "CFolderDialog.h"

#include "FileDialogColumns.h"

#include <QAbstractItemView>
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

CFolderDialog::CFolderDialog(QString* folder, QWidget* parent)
    : QFileDialog(parent), m_folder(folder)
{
    // The widget-based dialog, whose parts can be relabelled; a desktop portal's could not.
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::Directory);
    setOption(QFileDialog::ShowDirsOnly);
    setAcceptMode(QFileDialog::AcceptOpen);
    setWindowTitle(QStringLiteral("Выбор каталога"));
    setLabelText(QFileDialog::Accept, QStringLiteral("Выбрать"));
    setLabelText(QFileDialog::FileName, QStringLiteral("Имя папки:"));
    setLabelText(QFileDialog::Reject, QStringLiteral("Отмена"));

    // The name field and the type filter have no use here: the folder shown is the answer.
    // Where Qt's own name field sat, under "Имя папки:", the folder being browsed is shown.
    m_folderLabel = new QLabel(this);
    m_folderLabel->setObjectName(QStringLiteral("shownFolderLabel"));
    m_folderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_folderLabel->setMinimumWidth(1); // a long path is cut, never widens the dialog
    auto* grid = qobject_cast<QGridLayout*>(layout());
    QWidget* nameEdit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    int row = -1;
    int column = 0;
    int rowSpan = 0;
    int columnSpan = 0;
    if (grid != nullptr && nameEdit != nullptr && grid->indexOf(nameEdit) >= 0)
        grid->getItemPosition(grid->indexOf(nameEdit), &row, &column, &rowSpan, &columnSpan);
    for (const char* name : {"fileNameEdit", "fileTypeLabel", "fileTypeCombo"}) {
        if (QWidget* part = findChild<QWidget*>(QLatin1String(name)))
            part->hide();
    }
    if (grid != nullptr && row >= 0)
        grid->addWidget(m_folderLabel, row, column, rowSpan, columnSpan);
    else if (grid != nullptr)
        grid->addWidget(m_folderLabel, grid->rowCount(), 0, 1, grid->columnCount());

    connect(this, &QFileDialog::directoryEntered, this, &CFolderDialog::OnFolderChange);
    FileDialogColumns::Fit(*this);

    // Enter in the folder lists means "Выбрать", as it does everywhere else in the dialog; the
    // lists would take it to open the highlighted folder, or swallow it when there is none.
    for (const char* name : {"listView", "treeView", "sidebar"}) {
        if (auto* view = findChild<QAbstractItemView*>(QLatin1String(name)))
            view->installEventFilter(this);
    }
    // A folder made here is followed through its renaming, so that "Выбрать" can give it.
    m_model = findChild<QFileSystemModel*>(QStringLiteral("qt_filesystem_model"));
    if (m_model != nullptr)
        connect(m_model, &QFileSystemModel::fileRenamed, this, &CFolderDialog::OnFileRenamed);
    if (auto* button = findChild<QToolButton*>(QStringLiteral("newFolderButton")))
        connect(button, &QToolButton::clicked, this, &CFolderDialog::OnFolderCreated);
    if (auto* action = findChild<QAction*>(QStringLiteral("qt_new_folder_action")))
        connect(action, &QAction::triggered, this, &CFolderDialog::OnFolderCreated);
    // A folder that is not there yet opens at its nearest existing parent.
    QString start = folder != nullptr ? QDir::cleanPath(*folder) : QString();
    if (start.isEmpty())
        start = QDir::currentPath();
    while (!QFileInfo(start).isDir() && start != QFileInfo(start).path())
        start = QFileInfo(start).path();
    setDirectory(start);
    OnFolderChange(directory().absolutePath());
}

QString CFolderDialog::ShownFolder() const
{
    return QDir::cleanPath(directory().absolutePath());
}

QString CFolderDialog::ChosenFolder() const
{
    if (m_newFolder.isEmpty() || m_model == nullptr || !QFileInfo(m_newFolder).isDir())
        return ShownFolder();
    auto* view = findChild<QAbstractItemView*>(QStringLiteral("listView"));
    const QModelIndex index = m_model->index(m_newFolder);
    if (view == nullptr || view->selectionModel() == nullptr || !index.isValid() ||
        !view->selectionModel()->isSelected(index))
        return ShownFolder();
    return QDir::cleanPath(m_newFolder);
}

void CFolderDialog::OnFolderChange(const QString&)
{
    m_folderLabel->setText(QDir::toNativeSeparators(ShownFolder()));
}

void CFolderDialog::OnFolderCreated()
{
    // The dialog has made the folder and highlighted it for its name to be typed.
    auto* view = findChild<QAbstractItemView*>(QStringLiteral("listView"));
    if (view == nullptr || m_model == nullptr)
        return;
    const QModelIndex current = view->currentIndex();
    if (current.isValid() && m_model->isDir(current))
        m_newFolder = m_model->filePath(current);
}

void CFolderDialog::OnFileRenamed(const QString& path, const QString& oldName,
                                  const QString& newName)
{
    if (!m_newFolder.isEmpty() && QDir::cleanPath(path + u'/' + oldName) == m_newFolder)
        m_newFolder = QDir::cleanPath(path + u'/' + newName);
}

bool CFolderDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // Only for the list itself: Enter in a folder name being typed finishes the name.
        if (enter && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
            focusWidget() == watched) {
            accept();
            return true;
        }
    }
    return QFileDialog::eventFilter(watched, event);
}

void CFolderDialog::accept()
{
    if (m_folder != nullptr)
        *m_folder = ChosenFolder();
    QDialog::accept();
}
