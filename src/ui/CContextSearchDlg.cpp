#include "CContextSearchDlg.h"

#include "CZETbrowserDoc.h"
#include "DocumentText.h"
#include "SortedListModel.h"
#include "WaitCursor.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QListView* makeList(SortedListModel* model, QWidget* parent)
{
    auto* list = new QListView(parent);
    list->setModel(model);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every row is one line of text: the view need not measure 100,000 of them.
    list->setUniformItemSizes(true);
    list->setLayoutMode(QListView::SinglePass);
    return list;
}

} // namespace

CContextSearchDlg::CContextSearchDlg(CZETbrowserDoc* doc, QWidget* parent)
    : QDialog(parent), m_pDoc(doc)
{
    // Building the lists of a large book takes a moment; the dialog itself must not show a wait
    // cursor once it is up.
    const WaitCursor wait;
    setWindowTitle(QStringLiteral("Контекстный поиск"));
    setModal(true);

    m_objectModel = new SortedListModel(this);
    m_occurrenceModel = new SortedListModel(this);

    m_combo = new QComboBox(this);
    m_combo->setEditable(true);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    // Completing from the history would change the text being searched for behind the user.
    m_combo->setCompleter(nullptr);
    m_combo->setMaxVisibleItems(8);
    m_objects = makeList(m_objectModel, this);
    m_occurrences = makeList(m_occurrenceModel, this);
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("Отмена"), this);

    // The proportions of the original layout, in its dialog units.
    const QFontMetrics metrics(font());
    const double dluX = metrics.averageCharWidth() / 4.0;
    const double dluY = metrics.height() / 8.0;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(qRound(6 * dluX), qRound(6 * dluY), qRound(7 * dluX),
                               qRound(4 * dluY));
    layout->setSpacing(qRound(1 * dluY));
    auto section = [&](const QString& text, QWidget* control, int stretch, bool first) {
        if (!first)
            layout->addSpacing(qRound(4 * dluY));
        auto* label = new QLabel(text, this);
        label->setBuddy(control);
        layout->addWidget(label);
        layout->addWidget(control, stretch);
    };
    section(QStringLiteral("Строка поиска:"), m_combo, 0, true);
    section(QStringLiteral("Список объектов:"), m_objects, 52, false);
    section(QStringLiteral("Список вхождений:"), m_occurrences, 65, false);
    layout->addSpacing(qRound(4 * dluY));
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(qRound(5 * dluX));
    buttons->addStretch();
    for (QPushButton* button : {m_okButton, m_cancelButton}) {
        button->setMinimumWidth(qRound(50 * dluX));
        buttons->addWidget(button);
    }
    buttons->addStretch();
    layout->addLayout(buttons);
    setTabOrder(m_combo, m_objects);
    setTabOrder(m_objects, m_occurrences);
    setTabOrder(m_occurrences, m_okButton);
    setTabOrder(m_okButton, m_cancelButton);
    resize(qRound(277 * dluX), qRound(198 * dluY));

    connect(m_okButton, &QPushButton::clicked, this, &CContextSearchDlg::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &CContextSearchDlg::reject);
    connect(m_objects->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_selecting)
            FillOccurrences();
    });
    connect(m_combo->lineEdit(), &QLineEdit::textEdited, this,
            &CContextSearchDlg::SelectObjectFromText);
    connect(m_combo, &QComboBox::activated, this, &CContextSearchDlg::OnHistoryChosen);
    connect(m_occurrences, &QListView::doubleClicked, this, &CContextSearchDlg::accept);

    OnInitDialog();
}

CContextSearchDlg::~CContextSearchDlg() = default;

void CContextSearchDlg::OnInitDialog()
{
    if (!m_pDoc)
        return;
    m_pDoc->BuildNameIndex(m_index);

    std::vector<SortedListModel::Entry> names;
    names.reserve(m_index.size());
    for (std::size_t i = 0; i < m_index.size(); ++i)
        names.push_back({DocumentText::toQString(m_index[i].name), std::uint32_t(i)});
    m_objectModel->setEntries(std::move(names));
    std::vector<std::string_view> rowNames;
    rowNames.reserve(m_index.size());
    for (const SortedListModel::Entry& entry : m_objectModel->entries())
        rowNames.push_back(m_index[entry.value].name);
    m_prefixIndex.assign(rowNames);

    std::vector<SortedListModel::Entry> history;
    for (const std::string& text : m_pDoc->searchHistory)
        history.push_back({DocumentText::toQString(text), 0});
    SortedListModel::sortEntries(history);
    for (const SortedListModel::Entry& entry : history)
        m_combo->addItem(entry.text);
    // An editable box shows its first entry once it has one; the search starts empty.
    m_combo->setCurrentIndex(-1);
    m_combo->clearEditText();

    const TreeRecord* lastFound =
        m_pDoc->lastFoundId != 0 ? m_pDoc->FindRecord(m_pDoc->lastFoundId) : nullptr;
    if (lastFound) {
        m_combo->setEditText(DocumentText::toQString(lastFound->name));
        m_combo->lineEdit()->selectAll();
        // Its own name, not the first other name it begins (a longer name sharing the start
        // would take its place).
        for (int row = 0; row < m_objectModel->rowCount(); ++row) {
            if (m_index[m_objectModel->entry(row).value].name == lastFound->name) {
                selectObject(row);
                break;
            }
        }
    } else {
        selectObject(0);
    }
    FillOccurrences();

    m_combo->setFocus();
    m_pDoc->jumpToId = 0;
}

int CContextSearchDlg::selectedRow(const QListView& list)
{
    const QModelIndexList selected = list.selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void CContextSearchDlg::selectObject(int row)
{
    const QModelIndex index = m_objectModel->index(row, 0);
    if (!index.isValid())
        return;
    m_selecting = true;
    m_objects->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_selecting = false;
    m_objects->scrollTo(index);
}

void CContextSearchDlg::FillOccurrences()
{
    const int row = selectedRow(*m_objects);
    const int group = row < 0 ? -1 : int(m_objectModel->entry(row).value);
    // The same name again (a keystroke that keeps the selection): the same paths, so only the
    // first is selected again, as a refill would do, without rebuilding a list that may be long.
    if (group != m_shownGroup) {
        m_shownGroup = group;
        fillPaths();
    }
    if (group >= 0) {
        const QModelIndex first = m_occurrenceModel->index(0, 0);
        m_occurrences->selectionModel()->setCurrentIndex(first,
                                                         QItemSelectionModel::ClearAndSelect);
        m_occurrences->scrollTo(first);
    }
}

void CContextSearchDlg::fillPaths()
{
    if (m_shownGroup < 0) {
        m_occurrenceModel->clear();
        return;
    }
    const NameGroup& group = m_index[std::size_t(m_shownGroup)];
    // Every record here bears the same name, so records of one section share one path: it is
    // made once per section (a name can be borne by most of a book).
    QHash<std::uint32_t, QString> pathUnder;
    std::vector<SortedListModel::Entry> paths;
    paths.reserve(group.recordIds.size());
    for (const std::uint32_t id : group.recordIds) {
        const TreeRecord* record = m_pDoc->FindRecord(id);
        if (!record)
            continue;
        auto path = pathUnder.find(record->parentId);
        if (path == pathUnder.end())
            path = pathUnder.insert(record->parentId,
                                    DocumentText::toQString(m_pDoc->RecordPath(id, false)));
        paths.push_back({*path, id});
    }
    m_occurrenceModel->setEntries(std::move(paths));
}

void CContextSearchDlg::SelectObjectFromText()
{
    bool lossless = true;
    const std::string text = DocumentText::fromQString(m_combo->currentText(), &lossless);
    // A character the code page cannot hold begins no name.
    const int row = lossless ? m_prefixIndex.select(text) : -1;
    if (row >= 0)
        selectObject(row);
    FillOccurrences();
}

void CContextSearchDlg::OnHistoryChosen(int index)
{
    if (index >= 0)
        m_combo->setEditText(m_combo->itemText(index));
    SelectObjectFromText();
}

void CContextSearchDlg::accept()
{
    const int row = m_pDoc ? selectedRow(*m_occurrences) : -1;
    if (row >= 0) {
        const std::uint32_t id = m_occurrenceModel->entry(row).value;
        m_pDoc->lastFoundId = id;
        m_pDoc->jumpToId = id;
        bool lossless = true;
        const std::string text = DocumentText::fromQString(m_combo->currentText(), &lossless);
        // A text the book's code page cannot hold would come back altered.
        if (lossless)
            m_pDoc->AddSearchHistory(text);
    }
    QDialog::accept();
}
