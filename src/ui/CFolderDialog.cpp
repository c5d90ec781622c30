#include "CFolderDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

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

void CFolderDialog::OnFolderChange(const QString&)
{
    m_folderLabel->setText(QDir::toNativeSeparators(ShownFolder()));
}

void CFolderDialog::accept()
{
    if (m_folder != nullptr)
        *m_folder = ShownFolder();
    QDialog::accept();
}
