#include "BookFindPanel.h"

#include "BookReplacer.h"
#include "BookSearchRunner.h"
#include "CChildFrame.h"
#include "CInputForm.h"
#include "CStructureTreeCtrl.h"
#include "CZETTreeView.h"
#include "CZETbrowserDoc.h"
#include "FindMatchDelegate.h"
#include "FindResultsModel.h"
#include "RecordFields.h"
#include "UserPrompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QToolButton>

#include <algorithm>
#include <utility>

namespace {

const QString kGroup = QStringLiteral("BookFind/");

} // namespace

BookFindPanel::BookFindPanel(UserPrompts& prompts, QWidget* parent)
    : QDockWidget(QStringLiteral("Поиск в книге"), parent), m_prompts(prompts)
{
    setObjectName(QStringLiteral("bookFindPanel"));
    setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
    m_runner = new BookSearchRunner(this);
    m_model = new FindResultsModel(this);
    m_typingPause.setSingleShot(true);
    m_typingPause.setInterval(kTypingPauseMs);
    connect(&m_typingPause, &QTimer::timeout, this, &BookFindPanel::searchNow);
    createControls();

    connect(m_runner, &BookSearchRunner::found, this,
            [this](CZETbrowserDoc* doc, const std::vector<FindOccurrence>& occurrences) {
                m_model->append(doc, occurrences);
                updateCount();
            });
    connect(m_runner, &BookSearchRunner::finished, this, [this] {
        m_model->sortAgain();
        updateCount();
        // "Заменить" goes on to the next occurrence: where the replaced one stood, or after it
        // when the new text is found too.
        int next = std::exchange(m_rowAfterReplace, -1);
        if (next >= 0 && m_model->rowCount() >= m_countBeforeReplace)
            ++next;
        if (next >= 0 && next < m_model->rowCount())
            goToRow(next);
        emit searchFinished();
    });
    // What was found may no longer stand: found again once the book is left alone.
    connect(m_runner, &BookSearchRunner::booksChanged, this, &BookFindPanel::scheduleSearch);
    connect(m_runner, &BookSearchRunner::bookClosing, this, [this](CZETbrowserDoc* doc) {
        std::erase(m_searched, doc);
        m_model->removeDocument(doc);
        updateCount();
        scheduleSearch();
    });
}

BookFindPanel::~BookFindPanel()
{
    // The thread goes before the model it reports to.
    delete m_runner;
    m_runner = nullptr;
}

void BookFindPanel::createControls()
{
    auto* page = new QWidget(this);
    m_searchBox = new QComboBox(page);
    m_searchBox->setEditable(true);
    m_searchBox->setInsertPolicy(QComboBox::NoInsert);
    m_searchBox->setMaxCount(kHistorySize);
    m_searchBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_searchBox->lineEdit()->setPlaceholderText(QStringLiteral("Текст или выражение"));
    auto* findLabel = new QLabel(QStringLiteral("&Найти:"), page);
    findLabel->setBuddy(m_searchBox);
    m_caseBox = new QCheckBox(QStringLiteral("С учётом &регистра"), page);
    m_wholeWordBox = new QCheckBox(QStringLiteral("&Слово целиком"), page);
    m_regexBox = new QCheckBox(QStringLiteral("Регулярное &выражение"), page);
    m_yoBox = new QCheckBox(QStringLiteral("Ё как &Е"), page);
    m_yoBox->setToolTip(QStringLiteral("Буквы Ё и ё находятся там, где искали Е и е, и наоборот"));
    m_allBooksBox = new QCheckBox(QStringLiteral("Во всех &открытых книгах"), page);

    m_fieldsButton = new QToolButton(page);
    m_fieldsButton->setPopupMode(QToolButton::InstantPopup);
    auto* fieldsMenu = new QMenu(m_fieldsButton);
    QAction* all = fieldsMenu->addAction(QStringLiteral("Все поля"));
    fieldsMenu->addSeparator();
    for (const RecordField field : RecordFields::kSearchable) {
        QAction* action = fieldsMenu->addAction(QString::fromStdString(FieldLabel(field)));
        action->setCheckable(true);
        action->setChecked(true);
        action->setData(int(field));
        connect(action, &QAction::toggled, this, [this] {
            updateFieldsButton();
            scheduleSearch();
        });
        m_fieldActions.append(action);
    }
    connect(all, &QAction::triggered, this, [this] {
        for (QAction* action : std::as_const(m_fieldActions))
            action->setChecked(true);
    });
    m_fieldsButton->setMenu(fieldsMenu);
    updateFieldsButton();

    m_countLabel = new QLabel(page);
    m_countLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_replaceBox = new QLineEdit(page);
    auto* replaceLabel = new QLabel(QStringLiteral("&Заменить на:"), page);
    replaceLabel->setBuddy(m_replaceBox);
    m_replaceButton = new QPushButton(QStringLiteral("За&менить"), page);
    m_replaceButton->setToolTip(QStringLiteral("Заменить выбранное в списке вхождение"));
    m_replaceAllButton = new QPushButton(QStringLiteral("Замени&ть все"), page);
    m_replaceAllButton->setToolTip(QStringLiteral("Заменить все вхождения из списка"));
    m_replaceButton->setAutoDefault(false);
    m_replaceAllButton->setAutoDefault(false);

    m_view = new QTableView(page);
    m_view->setModel(m_model);
    m_view->setItemDelegateForColumn(FindResultsModel::LineColumn, new FindMatchDelegate(m_view));
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->setShowGrid(false);
    m_view->setAlternatingRowColors(true);
    m_view->setTabKeyNavigation(false);
    // Every row one line high: the view then lays out only the rows in sight.
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
    QHeaderView* header = m_view->horizontalHeader();
    header->setStretchLastSection(true);
    header->setSectionsClickable(true);
    header->resizeSection(FindResultsModel::PathColumn, 320);
    header->resizeSection(FindResultsModel::FieldColumn, 130);
    // In the books' order until a column is clicked.
    header->setSortIndicator(-1, Qt::AscendingOrder);
    m_view->setSortingEnabled(true);

    auto* top = new QHBoxLayout;
    top->addWidget(findLabel);
    top->addWidget(m_searchBox, 1);
    top->addWidget(m_caseBox);
    top->addWidget(m_wholeWordBox);
    top->addWidget(m_regexBox);
    top->addWidget(m_yoBox);
    top->addWidget(m_fieldsButton);
    top->addWidget(m_allBooksBox);
    auto* second = new QHBoxLayout;
    second->addWidget(replaceLabel);
    second->addWidget(m_replaceBox, 1);
    second->addWidget(m_replaceButton);
    second->addWidget(m_replaceAllButton);
    second->addSpacing(12);
    second->addWidget(m_countLabel, 1);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->setSpacing(3);
    layout->addLayout(top);
    layout->addLayout(second);
    layout->addWidget(m_view, 1);
    setWidget(page);
    setFocusProxy(m_searchBox);

    connect(m_searchBox, &QComboBox::editTextChanged, this, &BookFindPanel::scheduleSearch);
    connect(m_searchBox->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        rememberPattern();
        if (m_typingPause.isActive() || !(query().pattern == m_searchedQuery.pattern))
            searchNow();
        else
            findNext();
    });
    for (QCheckBox* box : {m_caseBox, m_wholeWordBox, m_regexBox, m_yoBox, m_allBooksBox})
        connect(box, &QCheckBox::toggled, this, [this] {
            saveOptions();
            searchNow();
        });
    connect(m_replaceButton, &QPushButton::clicked, this, &BookFindPanel::replaceCurrent);
    connect(m_replaceAllButton, &QPushButton::clicked, this, &BookFindPanel::replaceAll);
    connect(m_view, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        rememberPattern();
        goToRow(index.row());
    });
}

void BookFindPanel::setFrames(std::function<QList<CChildFrame*>()> frames,
                              std::function<CChildFrame*()> active)
{
    m_frames = std::move(frames);
    m_active = std::move(active);
}

void BookFindPanel::setSettings(QSettings* settings)
{
    m_settings = settings;
    if (!m_settings)
        return;
    const QSignalBlocker blockSearch(m_searchBox);
    m_searchBox->clear();
    m_searchBox->addItems(m_settings->value(kGroup + QStringLiteral("history")).toStringList());
    m_searchBox->setEditText(QString());
    const auto restore = [this](QCheckBox* box, const char* key) {
        const QSignalBlocker block(box);
        box->setChecked(m_settings->value(kGroup + QLatin1String(key), false).toBool());
    };
    restore(m_caseBox, "caseSensitive");
    restore(m_wholeWordBox, "wholeWord");
    restore(m_regexBox, "regex");
    restore(m_yoBox, "yo");
    restore(m_allBooksBox, "allBooks");
    const QVariant fields = m_settings->value(kGroup + QStringLiteral("fields"));
    if (fields.isValid()) {
        const QStringList keys = fields.toStringList();
        for (QAction* action : std::as_const(m_fieldActions)) {
            const QSignalBlocker block(action);
            const auto key = RecordFields::Key(RecordField(action->data().toInt()));
            action->setChecked(keys.contains(QString::fromUtf8(key.data(), qsizetype(key.size()))));
        }
        updateFieldsButton();
    }
}

void BookFindPanel::saveOptions() const
{
    if (!m_settings)
        return;
    m_settings->setValue(kGroup + QStringLiteral("caseSensitive"), m_caseBox->isChecked());
    m_settings->setValue(kGroup + QStringLiteral("wholeWord"), m_wholeWordBox->isChecked());
    m_settings->setValue(kGroup + QStringLiteral("regex"), m_regexBox->isChecked());
    m_settings->setValue(kGroup + QStringLiteral("yo"), m_yoBox->isChecked());
    m_settings->setValue(kGroup + QStringLiteral("allBooks"), m_allBooksBox->isChecked());
    QStringList keys;
    for (const QAction* action : m_fieldActions) {
        if (action->isChecked()) {
            const auto key = RecordFields::Key(RecordField(action->data().toInt()));
            keys << QString::fromUtf8(key.data(), qsizetype(key.size()));
        }
    }
    m_settings->setValue(kGroup + QStringLiteral("fields"), keys);
}

void BookFindPanel::rememberPattern()
{
    const QString text = m_searchBox->currentText();
    if (text.isEmpty())
        return;
    const QSignalBlocker block(m_searchBox);
    const int existing = m_searchBox->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (existing == 0)
        return;
    if (existing > 0)
        m_searchBox->removeItem(existing);
    m_searchBox->insertItem(0, text);
    while (m_searchBox->count() > kHistorySize)
        m_searchBox->removeItem(m_searchBox->count() - 1);
    m_searchBox->setCurrentIndex(0);
    m_searchBox->setEditText(text);
    if (m_settings) {
        QStringList history;
        for (int i = 0; i < m_searchBox->count(); ++i)
            history << m_searchBox->itemText(i);
        m_settings->setValue(kGroup + QStringLiteral("history"), history);
    }
}

void BookFindPanel::updateFieldsButton()
{
    const auto checked = std::count_if(m_fieldActions.begin(), m_fieldActions.end(),
                                       [](const QAction* a) { return a->isChecked(); });
    m_fieldsButton->setText(
        checked == m_fieldActions.size()
            ? QStringLiteral("Поля: все")
            : QStringLiteral("Поля: %1 из %2").arg(checked).arg(m_fieldActions.size()));
    if (m_settings)
        saveOptions();
}

FindQuery BookFindPanel::query() const
{
    FindQuery query;
    query.pattern = m_searchBox->currentText().toStdString();
    query.regex = m_regexBox->isChecked();
    query.caseSensitive = m_caseBox->isChecked();
    query.wholeWord = m_wholeWordBox->isChecked();
    query.yoMatchesYe = m_yoBox->isChecked();
    query.fields = SearchFields::None();
    for (const QAction* action : m_fieldActions) {
        if (action->isChecked())
            query.fields.add(RecordField(action->data().toInt()));
    }
    return query;
}

std::vector<CZETbrowserDoc*> BookFindPanel::booksToSearch() const
{
    std::vector<CZETbrowserDoc*> books;
    if (m_allBooksBox->isChecked() && m_frames) {
        const QList<CChildFrame*> frames = m_frames();
        for (CChildFrame* frame : frames)
            books.push_back(frame->GetDocument());
    } else if (CChildFrame* active = m_active ? m_active() : nullptr) {
        books.push_back(active->GetDocument());
    }
    return books;
}

CChildFrame* BookFindPanel::frameOf(const CZETbrowserDoc* doc) const
{
    if (!m_frames || !doc)
        return nullptr;
    const QList<CChildFrame*> frames = m_frames();
    for (CChildFrame* frame : frames) {
        if (frame->GetDocument() == doc)
            return frame;
    }
    return nullptr;
}

void BookFindPanel::scheduleSearch()
{
    m_typingPause.start();
}

void BookFindPanel::showEvent(QShowEvent* event)
{
    QDockWidget::showEvent(event);
    if (m_stale)
        scheduleSearch();
}

void BookFindPanel::onBooksChanged()
{
    if (booksToSearch() != m_searched)
        scheduleSearch();
}

bool BookFindPanel::isSearching() const
{
    return m_runner->isRunning() || m_typingPause.isActive();
}

void BookFindPanel::searchNow()
{
    if (!(query().pattern == m_searchedQuery.pattern)) {
        m_note.clear();
        m_rowAfterReplace = -1;
    }
    m_typingPause.stop();
    m_runner->stop();
    m_model->clear();
    m_problem.clear();
    m_searchedQuery = query();
    m_searched = booksToSearch();
    m_model->setShowsBooks(m_searched.size() > 1);
    m_stale = isHidden();
    if (m_stale || m_searchedQuery.pattern.empty() || m_searched.empty()) {
        updateCount();
        return;
    }
    if (m_searchedQuery.fields.empty()) {
        m_problem = QStringLiteral("Не выбрано ни одного поля");
        updateCount();
        return;
    }
    const BookSearchRunner::Start started = m_runner->start(m_searchedQuery, m_searched);
    switch (started.status) {
    case FindStatus::Ready:
    case FindStatus::EmptyPattern:
        break;
    case FindStatus::NotInCodePage:
        m_problem = QStringLiteral("Таких знаков нет в кодировке книги (Windows-1251): "
                                   "ничего не найдено");
        break;
    case FindStatus::LineBreakInPattern:
        m_problem = QStringLiteral("Текст с переводом строки не находится: ищите каждую "
                                   "строку отдельно или регулярным выражением");
        break;
    case FindStatus::InvalidRegex:
        m_problem = QStringLiteral("Ошибка в регулярном выражении: %1").arg(started.error);
        break;
    }
    updateCount();
}

void BookFindPanel::updateCount()
{
    QString text = m_note.isEmpty() ? QString() : m_note + QStringLiteral(". ");
    if (!m_problem.isEmpty())
        text += m_problem;
    else if (!m_searchedQuery.pattern.empty() && !m_searched.empty())
        text += FindResultsModel::countText(m_model->occurrenceCount(), m_model->recordCount()) +
                (m_runner->isRunning() ? QStringLiteral("…") : QString());
    m_countLabel->setText(text);
    const bool any = m_model->occurrenceCount() > 0;
    m_replaceButton->setEnabled(any);
    m_replaceAllButton->setEnabled(any);
}

void BookFindPanel::activate()
{
    show();
    raise();
    m_searchBox->setFocus(Qt::ShortcutFocusReason);
    m_searchBox->lineEdit()->selectAll();
}

void BookFindPanel::findNext()
{
    step(1);
}

void BookFindPanel::findPrevious()
{
    step(-1);
}

void BookFindPanel::step(int direction)
{
    const int count = m_model->rowCount();
    if (count == 0) {
        activate();
        return;
    }
    const int current = m_view->currentIndex().isValid() ? m_view->currentIndex().row() : -1;
    int row = current < 0 ? (direction > 0 ? 0 : count - 1) : current + direction;
    if (row >= count)
        row = 0;
    else if (row < 0)
        row = count - 1;
    goToRow(row);
}

bool BookFindPanel::goToRow(int row)
{
    const FindResultsModel::Row* found = m_model->rowAt(row);
    if (!found)
        return false;
    m_view->setCurrentIndex(m_model->index(row, FindResultsModel::PathColumn));
    m_view->scrollTo(m_view->currentIndex());
    // Copies: what follows may change the book, and a new search then empties the list.
    CZETbrowserDoc* const doc = found->doc;
    const FindOccurrence occurrence = found->occurrence;
    CChildFrame* frame = frameOf(doc);
    if (!frame)
        return false;
    if (QMdiArea* area = frame->mdiArea())
        area->setActiveSubWindow(frame);
    // The form's edits first, as the tree asks before it takes the form off its record; the
    // match is then found in the stored text.
    if (!frame->PromptRecordOnClose())
        return false;
    if (!frame->treeView()->GetTreeCtrl().selectRecord(occurrence.recordId))
        return false;
    return frame->inputForm()->selectStoredText(occurrence.field, occurrence.offset,
                                                occurrence.length);
}

// --- replace -------------------------------------------------------------------------------

bool BookFindPanel::replaceCurrent()
{
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid()) {
        findNext();
        return false;
    }
    const int row = current.row();
    const int count = m_model->rowCount();
    if (!replaceRows({row}))
        return false;
    m_rowAfterReplace = row;
    m_countBeforeReplace = count;
    return true;
}

bool BookFindPanel::replaceAll()
{
    std::vector<int> rows(std::size_t(m_model->rowCount()));
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = int(i);
    return replaceRows(rows);
}

bool BookFindPanel::replaceRows(const std::vector<int>& rows)
{
    // Copies, book by book in the list's order: a question may change a book, and a new search
    // then empties the list.
    std::vector<BookReplacer::Occurrences> books;
    for (const int row : rows) {
        const FindResultsModel::Row* found = m_model->rowAt(row);
        if (!found)
            continue;
        auto book = std::find_if(books.begin(), books.end(),
                                 [found](const auto& b) { return b.doc == found->doc; });
        if (book == books.end())
            book = books.insert(books.end(), {found->doc, {}});
        book->found.push_back(found->occurrence);
    }
    if (books.empty())
        return false;
    const std::uint32_t chosenRecord = rows.size() == 1 ? books.front().found.front().recordId : 0;

    BookReplacer replacer(m_prompts, this,
                          [this](const CZETbrowserDoc* doc) { return frameOf(doc); });
    const BookReplacer::Result result = replacer.replace(
        std::move(books), m_searchedQuery, m_replaceBox->text().toStdString(), chosenRecord);
    if (!result.unencodable.empty()) {
        refuseUnencodable(result.unencodable);
        return false;
    }
    if (result.nothingLeft) {
        m_note = QStringLiteral("Заменять нечего: найденное уже изменилось");
        updateCount();
        scheduleSearch();
        return false;
    }
    if (!result.done)
        return false;
    m_note = QStringLiteral("Заменено: %1").arg(result.replaced);
    if (result.stale > 0)
        m_note += QStringLiteral(" (%1 уже изменились и оставлены как есть)").arg(result.stale);
    updateCount();
    return result.replaced > 0;
}

void BookFindPanel::refuseUnencodable(const std::vector<std::string>& characters)
{
    QStringList shown;
    for (const std::string& character : characters)
        shown << QString::fromStdString(character);
    m_prompts.message(this, QMessageBox::Warning,
                      QStringLiteral("В тексте замены есть знаки, которых нет в кодировке "
                                     "Windows-1251: %1.\nКнига хранит текст в этой кодировке. "
                                     "Замените или удалите эти знаки, и замену можно будет "
                                     "выполнить.")
                          .arg(shown.join(QStringLiteral(" "))),
                      QMessageBox::Ok, QMessageBox::Ok);
    m_replaceBox->setFocus(Qt::OtherFocusReason);
    const QString text = m_replaceBox->text();
    const qsizetype first =
        characters.empty() ? -1 : text.indexOf(QString::fromStdString(characters.front()));
    if (first >= 0)
        m_replaceBox->setSelection(int(first),
                                   int(QString::fromStdString(characters.front()).size()));
}
