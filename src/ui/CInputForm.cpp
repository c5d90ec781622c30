#include "CInputForm.h"

#include "CActiveLabel.h"
#include "CButtonST.h"
#include "CFieldEdit.h"
#include "CMembershipDlg.h"
#include "CZETbrowserDoc.h"
#include "DocumentHistory.h"
#include "DocumentText.h"
#include "TemplateScale.h"
#include "UserPrompts.h"
#include "VerticalFit.h"
#include "WaitCursor.h"

#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace {

// The template's controls in dialog units (x, y, width, height). Captions beside an edit reach
// up to it, so that a caption in a wider font is not cut off before there is need.
struct Spot
{
    int id;
    int x, y, width, height;
};

constexpr Spot kCaptionSpots[CInputForm::kFieldCount] = {
    {CInputForm::IDC_NAME_CAPTION, 6, 21, 57, 12},
    {CInputForm::IDC_SYNONYM_CAPTION, 6, 34, 57, 12},
    {CInputForm::IDC_SPELLING_CAPTION, 6, 47, 57, 12},
    {CInputForm::IDC_ENGLISH_SPELLING_CAPTION, 6, 68, 57, 15},
    {CInputForm::IDC_SYNTAX_CAPTION, 6, 89, 187, 8},
    {CInputForm::IDC_PURPOSE_CAPTION, 6, 135, 187, 8},
    {CInputForm::IDC_PARAMETERS_CAPTION, 6, 181, 187, 8},
    {CInputForm::IDC_NOTES_CAPTION, 6, 227, 187, 8},
};
constexpr Spot kEditSpots[CInputForm::kFieldCount] = {
    {CInputForm::IDC_NAME, 64, 21, 129, 12},
    {CInputForm::IDC_SYNONYM, 64, 34, 129, 12},
    {CInputForm::IDC_SPELLING, 64, 47, 129, 20},
    {CInputForm::IDC_ENGLISH_SPELLING, 64, 68, 129, 20},
    {CInputForm::IDC_SYNTAX, 6, 98, 187, 35},
    {CInputForm::IDC_PURPOSE, 6, 144, 187, 35},
    {CInputForm::IDC_PARAMETERS, 6, 190, 187, 35},
    {CInputForm::IDC_NOTES, 6, 236, 187, 35},
};
constexpr Spot kMembershipCaptionSpot{CInputForm::IDC_MEMBERSHIP_CAPTION, 6, 7, 64, 12};
constexpr Spot kMembershipSpot{CInputForm::IDC_MEMBERSHIP, 71, 7, 17, 12};
constexpr Spot kApplySpot{CInputForm::IDC_APPLY, 41, 273, 61, 16};
constexpr Spot kResetSpot{CInputForm::IDC_RESET, 105, 273, 61, 16};

const char* const kCaptions[CInputForm::kFieldCount] = {
    "Наименование:", "Синоним:",    "Написание:", "Англоязычное написание:",
    "Синтаксис:",    "Назначение:", "Параметры:", "Примечания:",
};

// The field edit `id` shows (-1: none).
int fieldOf(int id)
{
    return id >= CInputForm::IDC_NAME && id <= CInputForm::IDC_NOTES ? id - CInputForm::IDC_NAME
                                                                     : -1;
}

QRect rectOf(const Spot& spot, const TemplateScale& scale)
{
    return scale.rect(spot.x, spot.y, spot.width, spot.height);
}

// Name and synonym are one line; the other fields of an entry wrap and scroll down.
constexpr int kShortFields = 2;
// Name, synonym and the two spellings sit beside their captions.
constexpr int kBesideCaption = 4;

} // namespace

CInputForm::CInputForm(CZETbrowserDoc* doc, UserPrompts& prompts, QWidget* parent)
    : QScrollArea(parent), m_pDoc(doc), m_prompts(prompts)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    setFocusPolicy(Qt::NoFocus);
    setAcceptDrops(false);
    m_page = new QWidget;
    m_page->setAcceptDrops(false);
    setWidget(m_page);
    createControls();
    placeControls();
    emptyForm();
    if (m_pDoc)
        m_pDoc->AddView(this);
}

CInputForm::~CInputForm()
{
    if (m_pDoc)
        m_pDoc->RemoveView(this);
}

void CInputForm::createControls()
{
    m_membershipCaption = new QLabel(QStringLiteral("Принадлежность:"), m_page);
    m_membershipCaption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int i = 0; i < kFieldCount; ++i) {
        auto* caption = new QLabel(QString::fromUtf8(kCaptions[i]), m_page);
        caption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        caption->setWordWrap(kCaptionSpots[i].height > 12);
        m_captions[std::size_t(i)] = caption;
    }
    for (int i = 0; i < kFieldCount; ++i) {
        auto* edit = new CFieldEdit(m_page);
        edit->setObjectName(QStringLiteral("field%1").arg(kEditSpots[i].id));
        if (i < kShortFields) {
            edit->setLineWrapMode(QPlainTextEdit::NoWrap);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->document()->setDocumentMargin(1);
        } else {
            edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->document()->setDocumentMargin(2);
        }
        connect(edit, &QPlainTextEdit::textChanged, this, [this, i] { onFieldChanged(i); });
        connect(edit, &CFieldEdit::applyRequested, this, [this] { ApplyRecord(); });
        edit->installEventFilter(this);
        m_edits[std::size_t(i)] = edit;
    }
    m_applyButton = new CButtonST(QStringLiteral("Применить"), m_page);
    m_resetButton = new CButtonST(QStringLiteral("Сброс"), m_page);
    for (CButtonST* button : {m_applyButton, m_resetButton}) {
        button->SetFlat(true);
        button->SetPlainFrame(true);
        button->setFocusPolicy(Qt::StrongFocus);
        button->installEventFilter(this);
    }
    connect(m_applyButton, &QPushButton::clicked, this, [this] { ApplyRecord(); });
    connect(m_resetButton, &QPushButton::clicked, this, &CInputForm::ResetRecord);

    // The letters open their dialog on a click, or from the keyboard after the buttons.
    m_membershipLabel = new CActiveLabel(QStringLiteral("AST"), m_page);
    m_membershipLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_membershipLabel->SetTextColour(QColor(0, 0, 128));
    m_membershipLabel->SetUnderline(true);
    m_membershipLabel->SetBold(true);
    m_membershipLabel->setFocusPolicy(Qt::TabFocus);
    m_membershipLabel->installEventFilter(this);
    connect(m_membershipLabel, &CActiveLabel::clicked, this, &CInputForm::OnMembershipClicked);

    // The fields in the template's order, the buttons, then the letters.
    QList<QWidget*> chain(m_edits.begin(), m_edits.end());
    chain << m_applyButton << m_resetButton << m_membershipLabel;
    for (qsizetype i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

// --- geometry ----------------------------------------------------------------------------

int CInputForm::scaledX(int designPixels) const
{
    return TemplateScale(m_page->font()).x(designPixels);
}

int CInputForm::scaledY(int designPixels) const
{
    return TemplateScale(m_page->font()).y(designPixels);
}

void CInputForm::placeControls()
{
    const TemplateScale scale(m_page->font());
    const auto place = [&scale](QWidget* widget, const Spot& spot) {
        widget->setGeometry(rectOf(spot, scale));
    };
    place(m_membershipCaption, kMembershipCaptionSpot);
    fitMembershipLabel();
    for (int i = 0; i < kFieldCount; ++i) {
        place(m_captions[std::size_t(i)], kCaptionSpots[i]);
        place(m_edits[std::size_t(i)], kEditSpots[i]);
    }
    place(m_applyButton, kApplySpot);
    place(m_resetButton, kResetSpot);
    layoutNow();
}

void CInputForm::fitMembershipLabel()
{
    // The letters may be more than the template's three.
    QRect spot = rectOf(kMembershipSpot, TemplateScale(m_page->font()));
    spot.setWidth(std::max(spot.width(), m_membershipLabel->sizeHint().width()));
    m_membershipLabel->setGeometry(spot);
}

void CInputForm::layoutNow()
{
    LayoutControls(viewport()->width(), viewport()->height());
}

void CInputForm::LayoutControls(int cx, int cy)
{
    const int w = std::max(cx, kMinimumWidth);
    std::array<QRect, kFieldCount> captions;
    std::array<QRect, kFieldCount> edits;
    int lowest = -1;
    const TemplateScale scale(m_page->font());
    for (int i = 0; i < kFieldCount; ++i) {
        captions[std::size_t(i)] = rectOf(kCaptionSpots[i], scale);
        edits[std::size_t(i)] = rectOf(kEditSpots[i], scale);
        if (!m_edits[std::size_t(i)]->isHidden())
            lowest = i;
    }

    // A pane too short for the template takes the excess from the visible multi-line edits,
    // down to two lines each, so the buttons stay in sight.
    std::vector<int> natural;
    std::vector<int> minimum;
    for (int i = kShortFields; i <= lowest; ++i) {
        const int height = edits[std::size_t(i)].height();
        natural.push_back(height);
        minimum.push_back(std::min(height, m_edits[std::size_t(i)]->twoLinesHeight()));
    }
    const int needed = lowest < 0 ? 0
                                  : edits[std::size_t(lowest)].bottom() + 1 + scaledY(kButtonGap) +
                                        m_resetButton->height() + scaledY(kButtonGap);
    const std::vector<int> heights = VerticalFit::Heights(natural, minimum, needed - cy);

    int shift = 0;
    for (int i = 0; i < kFieldCount; ++i) {
        QRect& caption = captions[std::size_t(i)];
        QRect& edit = edits[std::size_t(i)];
        caption.translate(0, -shift);
        edit.translate(0, -shift);
        if (i >= kShortFields && i <= lowest) {
            const int height = heights[std::size_t(i - kShortFields)];
            shift += edit.height() - height;
            edit.setHeight(height);
        }
        const int margin = i < kBesideCaption ? kShortEditMargin : kLongEditMargin;
        edit.setWidth(w - scaledX(margin));
        m_captions[std::size_t(i)]->setGeometry(caption);
        m_edits[std::size_t(i)]->setGeometry(edit);
    }

    int bottom = 0;
    if (lowest >= 0) {
        const QRect e = edits[std::size_t(lowest)];
        const int right = e.x() + e.width();
        const int top = e.y() + e.height() + scaledY(kButtonGap);
        m_resetButton->move(right - m_resetButton->width(), top);
        m_applyButton->move(
            right - m_resetButton->width() - m_applyButton->width() - scaledX(kButtonSpacing), top);
        bottom = top + m_resetButton->height() + scaledY(kButtonGap);
    }
    m_page->resize(w, std::max(cy, bottom));
    m_page->update();
}

bool CInputForm::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        const bool handled = QScrollArea::viewportEvent(event);
        layoutNow();
        return handled;
    }
    return QScrollArea::viewportEvent(event);
}

void CInputForm::changeEvent(QEvent* event)
{
    QScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange && m_page)
        placeControls();
}

// --- controls ------------------------------------------------------------------------------

QWidget* CInputForm::control(int id) const
{
    switch (id) {
    case IDC_MEMBERSHIP_CAPTION:
        return m_membershipCaption;
    case IDC_MEMBERSHIP:
        return m_membershipLabel;
    case IDC_APPLY:
        return m_applyButton;
    case IDC_RESET:
        return m_resetButton;
    default:
        break;
    }
    for (int i = 0; i < kFieldCount; ++i) {
        if (kEditSpots[i].id == id)
            return m_edits[std::size_t(i)];
        if (kCaptionSpots[i].id == id)
            return m_captions[std::size_t(i)];
    }
    return nullptr;
}

CFieldEdit* CInputForm::edit(int id) const
{
    const int i = fieldOf(id);
    return i < 0 ? nullptr : m_edits[std::size_t(i)];
}

QWidget* CInputForm::firstField() const
{
    return m_working.recordId() != 0 && !m_edits[0]->isHidden() ? m_edits[0] : nullptr;
}

void CInputForm::setButtonsEnabled(bool enabled)
{
    m_applyButton->setEnabled(enabled);
    m_resetButton->setEnabled(enabled);
}

bool CInputForm::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    // A control that takes the focus by the keyboard or by the program scrolls into view (a
    // click lands on what is in view already, and the view should not move under it).
    if (type == QEvent::FocusIn &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::MouseFocusReason) {
        if (auto* widget = qobject_cast<QWidget*>(watched); widget && m_page->isAncestorOf(widget))
            ensureWidgetVisible(widget, 0, scaledY(kButtonGap));
    }
    // Ctrl+S anywhere on the form applies the record; it never reaches the window's Save.
    if (type == QEvent::ShortcutOverride || type == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (CFieldEdit::IsControlLetter(*key, 'S')) {
            event->accept();
            if (type == QEvent::KeyPress)
                ApplyRecord();
            return true;
        }
    }
    return QScrollArea::eventFilter(watched, event);
}

// --- loading -------------------------------------------------------------------------------

TreeRecord* CInputForm::record() const
{
    const std::uint32_t id = m_working.recordId();
    return m_pDoc && id != 0 ? m_pDoc->FindRecord(id) : nullptr;
}

const TreeRecord* CInputForm::GetWorkingRecord() const
{
    return m_working.recordId() != 0 ? &m_working.record() : nullptr;
}

TreeRecord* CInputForm::workingHint() const
{
    // The views read a hint, never change it.
    return const_cast<TreeRecord*>(&m_working.record());
}

QString CInputForm::shownText(int id) const
{
    const int i = fieldOf(id);
    return i < 0 ? QString()
                 : m_working.shownText(i, m_edits[std::size_t(i)]->document()->toRawText());
}

bool CInputForm::IsRecordModified() const
{
    return m_working.isModified() && record() != nullptr;
}

void CInputForm::OnUpdate(IDocumentView*, UpdateHint lHint, TreeRecord* hint)
{
    if (!m_pDoc || lHint != UpdateHint::Refresh || hint)
        return;
    TreeRecord* current = m_pDoc->currentId != 0 ? m_pDoc->FindRecord(m_pDoc->currentId) : nullptr;
    if (!current) {
        // Nothing selected: what is shown stays, unless its record has gone.
        if (m_working.recordId() != 0 && !record())
            emptyForm();
        return;
    }
    if (current->recordId == m_working.recordId() && m_working.isModified()) {
        // The record being edited is published again (a search landed on it, the tree was
        // edited around it): the edits stay.
        m_working.followPlace(*current);
        return;
    }
    loadRecord(*current);
}

void CInputForm::OnDocumentTitleChanged()
{
    if (m_working.isModified() || m_loading)
        return;
    const TreeRecord* stored = record();
    if (stored && !m_working.sameTexts(*stored))
        loadRecord(*stored);
}

void CInputForm::loadRecord(const TreeRecord& record)
{
    m_loading = true;
    m_working.load(record);
    for (int i = 0; i < kFieldCount; ++i) {
        CFieldEdit* edit = m_edits[std::size_t(i)];
        edit->setFieldText(m_working.loadedText(i));
        edit->moveCursor(QTextCursor::Start);
    }
    m_membershipLabel->setText(DocumentText::toQString(record.membership));
    fitMembershipLabel();
    // A section has no texts of an entry.
    const bool entry = !record.isFolder();
    m_membershipCaption->show();
    m_membershipLabel->show();
    for (int i = 0; i < kFieldCount; ++i) {
        const bool shown = i < kShortFields || entry;
        m_edits[std::size_t(i)]->setVisible(shown);
        m_captions[std::size_t(i)]->setVisible(shown);
    }
    m_applyButton->show();
    m_resetButton->show();
    layoutNow();
    setButtonsEnabled(false);
    m_loading = false;
}

void CInputForm::emptyForm()
{
    m_loading = true;
    m_working.clear();
    for (int i = 0; i < kFieldCount; ++i) {
        m_edits[std::size_t(i)]->setFieldText(m_working.loadedText(i));
        m_edits[std::size_t(i)]->hide();
        m_captions[std::size_t(i)]->hide();
    }
    m_membershipCaption->hide();
    m_membershipLabel->hide();
    m_applyButton->hide();
    m_resetButton->hide();
    setButtonsEnabled(false);
    layoutNow();
    m_loading = false;
}

void CInputForm::onFieldChanged(int index)
{
    if (m_loading)
        return;
    setButtonsEnabled(true);
    m_working.edit(index, m_edits[std::size_t(index)]->fieldText());
    if (!m_pDoc)
        return;
    if (index < kShortFields)
        m_pDoc->UpdateAllViews(this, UpdateHint::Refresh, workingHint());
    else
        m_pDoc->UpdateAllViews(this, UpdateHint::OtherField, nullptr);
}

// --- apply and reset -----------------------------------------------------------------------

bool CInputForm::ApplyRecord()
{
    if (!m_working.isModified())
        return true;
    TreeRecord* stored = record();
    if (!stored)
        return false;
    const WorkingRecord::Apply apply = m_working.prepareApply(
        *stored, [this](int index) { return m_edits[std::size_t(index)]->fieldText(); });
    if (apply.unencodable) {
        refuseUnencodable(*apply.unencodable);
        return false;
    }
    if (apply.loss) {
        const QMessageBox::StandardButton answer =
            m_prompts.message(this, QMessageBox::Warning, apply.loss->question(),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            if (apply.loss->focusField >= 0)
                focusField(apply.loss->focusField);
            return false;
        }
    }

    // One step of the book's history for every field changed, none when nothing differs.
    history().setRecordTexts(stored->recordId, apply.record);
    m_working.applied(apply);
    if (m_pDoc)
        m_pDoc->UpdateAllViews(this, UpdateHint::Refresh, stored);
    setButtonsEnabled(false);
    emit treeFocusRequested();
    return true;
}

void CInputForm::refuseUnencodable(const WorkingRecord::Unencodable& refusal)
{
    m_prompts.message(this, QMessageBox::Warning, refusal.message(), QMessageBox::Ok,
                      QMessageBox::Ok);
    focusField(refusal.field);
    if (refusal.position < 0)
        return;
    m_edits[std::size_t(refusal.field)]->selectFieldRange(refusal.position,
                                                          refusal.position + int(refusal.length));
}

void CInputForm::ResetRecord()
{
    TreeRecord* stored = record();
    if (!stored) {
        emptyForm();
        return;
    }
    loadRecord(*stored);
    focusField(0);
    if (m_pDoc)
        m_pDoc->UpdateAllViews(this, UpdateHint::Refresh, workingHint());
}

void CInputForm::DiscardRecord()
{
    if (!m_working.isModified())
        return;
    TreeRecord* stored = record();
    if (!stored) {
        emptyForm();
        return;
    }
    loadRecord(*stored);
    if (m_pDoc)
        m_pDoc->UpdateAllViews(this, UpdateHint::Refresh, workingHint());
}

bool CInputForm::selectStoredText(RecordField kind, std::size_t offset, std::size_t length)
{
    const int index = WorkingRecord::fieldIndex(kind);
    if (index < 0 || m_working.recordId() == 0 || m_working.isModified())
        return false;
    CFieldEdit* edit = m_edits[std::size_t(index)];
    const std::string& bytes = m_working.loadedBytes(index);
    if (edit->isHidden() || offset > bytes.size() || length > bytes.size() - offset)
        return false;
    focusField(index);
    edit->selectFieldRange(int(FieldText::TextOffset(bytes, offset)),
                           int(FieldText::TextOffset(bytes, offset + length)));
    ensureWidgetVisible(edit);
    return true;
}

void CInputForm::focusField(int index)
{
    CFieldEdit* edit = m_edits[std::size_t(index)];
    if (!edit->isHidden())
        edit->setFocus(Qt::OtherFocusReason);
}

DocumentHistory& CInputForm::history()
{
    if (m_history)
        return *m_history;
    if (!m_ownHistory)
        m_ownHistory = std::make_unique<DocumentHistory>(*m_pDoc);
    return *m_ownHistory;
}

// --- membership ----------------------------------------------------------------------------

void CInputForm::OnMembershipClicked()
{
    if (m_working.recordId() == 0)
        return;
    CMembershipDlg dialog(m_working.record().membership, this);
    dialog.placeAt(QCursor::pos());
    if (m_prompts.exec(dialog) != QDialog::Accepted)
        return;
    const std::string& chosen = dialog.membership();
    if (!m_working.setMembership(chosen))
        return;
    m_membershipLabel->setText(DocumentText::toQString(chosen));
    fitMembershipLabel();
    setButtonsEnabled(true);

    TreeRecord* stored = record();
    if (!stored || !stored->isFolder() || !m_pDoc)
        return;
    // A section's membership is its whole subtree's, and takes effect at once.
    {
        const WaitCursor busy;
        history().setSubtreeMembership(m_working.recordId(), chosen);
    }
    m_working.membershipStored();
    // Name and synonym typed before stay to be applied or reset.
    if (!m_working.isModified())
        setButtonsEnabled(false);
}
