#include "CFolderDialog.h"

#include "FileDialogColumns.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include <utility>

namespace {

// Whether `view` is taking rows out of its model just now. A list with one highlighted row moves
// the highlight off a row that is going away by itself; that move is not the user's choice.
class RowRemoval : public QAbstractItemView
{
public:
    static bool underWay(const QAbstractItemView* view)
    {
        return view != nullptr && (view->*&RowRemoval::state)() == CollapsingState;
    }
};

} // namespace

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
    // A click in the folder lists is the user's own highlighting, even of the row already shown.
    for (const char* name : {"listView", "treeView"}) {
        if (auto* view = findChild<QAbstractItemView*>(QLatin1String(name)))
            view->viewport()->installEventFilter(this);
    }
    // A folder made here is followed through its renaming and through the model's refreshing of
    // the list, so that "Выбрать" can give it while it is highlighted.
    m_model = findChild<QFileSystemModel*>(QStringLiteral("qt_filesystem_model"));
    if (m_model != nullptr) {
        connect(m_model, &QFileSystemModel::fileRenamed, this, &CFolderDialog::OnFileRenamed);
        connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                &CFolderDialog::noteRowsLeaving);
    }
    // Both views share one selection.
    if (QAbstractItemView* view = listView();
        view != nullptr && view->selectionModel() != nullptr) {
        connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
                &CFolderDialog::followHighlight);
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &CFolderDialog::followSelection);
    }
    // A name finished with Enter or given up with Escape is no longer being typed.
    for (const char* name : {"listView", "treeView"}) {
        auto* view = findChild<QAbstractItemView*>(QLatin1String(name));
        if (view == nullptr || view->itemDelegate() == nullptr)
            continue;
        connect(view->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
                [this](QWidget* editor) {
                    if (editor == m_nameEditor)
                        m_nameEditor = nullptr;
                });
    }
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

CFolderDialog::~CFolderDialog()
{
    // Qt's parts of the dialog are torn down after this class's part; nothing they signal then
    // may reach it.
    for (QObject* part : findChildren<QObject*>())
        disconnect(part, nullptr, this, nullptr);
}

QString CFolderDialog::ShownFolder() const
{
    return QDir::cleanPath(directory().absolutePath());
}

QString CFolderDialog::ChosenFolder() const
{
    if (m_newFolder.isEmpty() || !QFileInfo(m_newFolder).isDir())
        return ShownFolder();
    // While its row is away the user's highlight is still on it: it comes back with the row.
    if (m_newFolderAway || newFolderHighlighted())
        return m_newFolder;
    return ShownFolder();
}

QAbstractItemView* CFolderDialog::listView() const
{
    return findChild<QAbstractItemView*>(QStringLiteral("listView"));
}

QAbstractItemView* CFolderDialog::shownView() const
{
    QAbstractItemView* list = listView();
    if (list != nullptr && list->isVisible())
        return list;
    auto* tree = findChild<QAbstractItemView*>(QStringLiteral("treeView"));
    return tree != nullptr ? tree : list;
}

bool CFolderDialog::isNewFolder(const QModelIndex& index) const
{
    return !m_newFolder.isEmpty() && index.isValid() && index.model() == m_model &&
           QDir::cleanPath(m_model->filePath(index.siblingAtColumn(0))) == m_newFolder;
}

bool CFolderDialog::newFolderHighlighted() const
{
    const QAbstractItemView* view = listView();
    if (view == nullptr || view->selectionModel() == nullptr)
        return false;
    const QModelIndex current = view->selectionModel()->currentIndex();
    return isNewFolder(current) && view->selectionModel()->isSelected(current.siblingAtColumn(0));
}

bool CFolderDialog::rowsLeaving() const
{
    for (const char* name : {"listView", "treeView"}) {
        if (RowRemoval::underWay(findChild<QAbstractItemView*>(QLatin1String(name))))
            return true;
    }
    return false;
}

void CFolderDialog::followHighlight()
{
    if (m_newFolder.isEmpty() || rowsLeaving())
        return;
    m_newFolderHighlighted = newFolderHighlighted();
    // Anything the user highlights while the row is away is the user's choice.
    if (!m_newFolderHighlighted) {
        m_newFolderAway = false;
        m_interruptedName.reset();
    }
}

void CFolderDialog::followSelection(const QItemSelection&, const QItemSelection& deselected)
{
    if (!rowsLeaving()) {
        followHighlight();
        return;
    }
    // The list is moving the highlight off a row that goes away. It would store a name still
    // being typed in that row as it moves on, renaming the folder to half a name while the model
    // takes the row out. The editor is closed unstored instead; the new folder's name as typed
    // so far is kept for when its row comes back.
    for (const QModelIndex& index : deselected.indexes()) {
        if (index.column() != 0)
            continue;
        for (const char* name : {"listView", "treeView"}) {
            auto* view = findChild<QAbstractItemView*>(QLatin1String(name));
            auto* editor =
                view != nullptr ? qobject_cast<QLineEdit*>(view->indexWidget(index)) : nullptr;
            if (editor == nullptr)
                continue;
            if (editor == m_nameEditor)
                keepNameBeingTyped();
            // Closes an ordinary editor too, without storing what it holds; the list keeps the
            // focus the editor had, as when a name is finished.
            const bool hadFocus = editor->hasFocus();
            view->closePersistentEditor(index);
            if (hadFocus)
                view->setFocus();
        }
    }
}

void CFolderDialog::noteRowsLeaving(const QModelIndex& parent, int first, int last)
{
    if (!m_newFolderHighlighted)
        return;
    bool leaving = false;
    for (int row = first; row <= last && !leaving; ++row)
        leaving = isNewFolder(m_model->index(row, 0, parent));
    if (!leaving)
        return;
    m_newFolderHighlighted = false;
    // A folder deleted for real is forgotten. One still on disk lost its row to a listing read
    // before it was made or renamed.
    if (!QFileInfo(m_newFolder).isDir()) {
        m_interruptedName.reset();
        m_nameEditor = nullptr;
        return;
    }
    m_newFolderAway = true;
    // When no other row is left to take the highlight the list closes the editor itself; it is
    // only deleted later.
    keepNameBeingTyped();
    // After the model has finished taking the row out and telling every view.
    QMetaObject::invokeMethod(this, &CFolderDialog::bringBackNewFolder, Qt::QueuedConnection);
}

void CFolderDialog::bringBackNewFolder()
{
    if (!m_newFolderAway)
        return;
    const QAbstractItemView* view = listView();
    // The model adds the row of a folder it is asked for that is on disk but not in its list.
    const QModelIndex index = view != nullptr && QFileInfo(m_newFolder).isDir()
                                  ? m_model->index(m_newFolder)
                                  : QModelIndex();
    if (!index.isValid() || index.parent() != view->rootIndex()) {
        m_newFolderAway = false;
        m_interruptedName.reset();
        return;
    }
    highlightNewFolder(index);
}

void CFolderDialog::highlightNewFolder(const QModelIndex& index)
{
    if (!m_newFolderAway || !isNewFolder(index))
        return;
    QAbstractItemView* view = shownView();
    if (view == nullptr || view->selectionModel() == nullptr)
        return;
    const std::optional<QString> name = std::exchange(m_interruptedName, std::nullopt);
    view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                       QItemSelectionModel::Rows);
    m_newFolderAway = false;
    view->scrollTo(index);
    if (!name.has_value())
        return;
    if (m_interruptedNameEntered) {
        // As the list would have: a name the folder cannot take leaves it as it is.
        m_model->setData(index, *name);
        view->setFocus();
        return;
    }
    view->edit(index);
    if (auto* editor = qobject_cast<QLineEdit*>(view->indexWidget(index))) {
        editor->setText(*name);
        watchNameEditor(editor);
    }
}

void CFolderDialog::keepNameBeingTyped()
{
    if (m_nameEditor == nullptr)
        return;
    m_interruptedName = m_nameEditor->text();
    m_interruptedNameEntered = m_nameEntered;
    // A name finished with Enter would be stored on the list's next turn, into a row no longer
    // there; it is given when the row comes back instead.
    if (m_nameEntered) {
        for (const char* name : {"listView", "treeView"}) {
            if (auto* view = findChild<QAbstractItemView*>(QLatin1String(name)))
                QCoreApplication::removePostedEvents(view->itemDelegate(), QEvent::MetaCall);
        }
    }
    m_nameEditor = nullptr;
}

void CFolderDialog::watchNameEditor(QLineEdit* editor)
{
    m_nameEditor = editor;
    m_nameEntered = false;
    // Enter has the list store the name on the event loop's next turn.
    connect(editor, &QLineEdit::returnPressed, this, [this, editor] {
        if (editor == m_nameEditor)
            m_nameEntered = true;
    });
}

void CFolderDialog::OnFolderChange(const QString&)
{
    m_folderLabel->setText(QDir::toNativeSeparators(ShownFolder()));
    // The highlight in another folder's list has nothing to do with the new folder.
    m_newFolderHighlighted = false;
    m_newFolderAway = false;
    m_interruptedName.reset();
}

void CFolderDialog::OnFolderCreated()
{
    // The dialog has made the folder, highlighted it and opened its name for typing; when it
    // could not make one, nothing is highlighted.
    QAbstractItemView* view = listView();
    if (view == nullptr || view->selectionModel() == nullptr || m_model == nullptr)
        return;
    const QModelIndex current = view->selectionModel()->currentIndex();
    if (!current.isValid() || !m_model->isDir(current) ||
        !view->selectionModel()->isSelected(current.siblingAtColumn(0)))
        return;
    m_newFolder = QDir::cleanPath(m_model->filePath(current));
    m_newFolderHighlighted = true;
    m_newFolderAway = false;
    m_interruptedName.reset();
    m_nameEditor = nullptr;
    for (const char* name : {"listView", "treeView"}) {
        auto* each = findChild<QAbstractItemView*>(QLatin1String(name));
        if (auto* editor =
                each != nullptr ? qobject_cast<QLineEdit*>(each->indexWidget(current)) : nullptr)
            watchNameEditor(editor);
    }
}

void CFolderDialog::OnFileRenamed(const QString& path, const QString& oldName,
                                  const QString& newName)
{
    if (!m_newFolder.isEmpty() && QDir::cleanPath(path + u'/' + oldName) == m_newFolder)
        m_newFolder = QDir::cleanPath(path + u'/' + newName);
}

bool CFolderDialog::eventFilter(QObject* watched, QEvent* event)
{
    // While the new folder's row is away the list highlights a neighbour; clicking the folder
    // that is shown highlighted chooses it, and the row's return no longer takes the highlight.
    if (event->type() == QEvent::MouseButtonPress && m_newFolderAway &&
        qobject_cast<QAbstractItemView*>(watched->parent()) != nullptr) {
        m_newFolderAway = false;
        m_interruptedName.reset();
    }
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
