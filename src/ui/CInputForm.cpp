#include "CInputForm.h"

#include "CActiveLabel.h"
#include "CButtonST.h"
#include "CFieldEdit.h"
#include "CMembershipDlg.h"
#include "CZETbrowserDoc.h"
#include "DocumentHistory.h"
#include "DocumentText.h"
#include "LongParagraphs.h"
#include "RoundTripCheck.h"
#include "TypedText.h"
#include "UserPrompts.h"
#include "VerticalFit.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QStringEncoder>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

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

// Name and synonym are one line; the other fields of an entry wrap and scroll down.
constexpr int kShortFields = 2;
// Name, synonym and the two spellings sit beside their captions.
constexpr int kBesideCaption = 4;
// What a message quotes of a field's text.
constexpr qsizetype kQuotedLength = 60;

// The field a round-trip change names, as an index of the form's fields (-1: none).
int indexOf(RecordField field)
{
    switch (field) {
    case RecordField::Name:
        return 0;
    case RecordField::Synonym:
        return 1;
    case RecordField::Spelling:
        return 2;
    case RecordField::EnglishSpelling:
        return 3;
    case RecordField::Syntax:
        return 4;
    case RecordField::Purpose:
        return 5;
    case RecordField::Parameters:
        return 6;
    case RecordField::Notes:
        return 7;
    case RecordField::Membership:
    case RecordField::Place:
        break;
    }
    return -1;
}

// A field's text as a message quotes it: on one line, shortened.
QString quoted(const std::string& bytes)
{
    QString text = DocumentText::toQString(bytes.substr(0, kQuotedLength * 2));
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" ↵ "));
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    if (text.size() > kQuotedLength || bytes.size() > std::size_t(kQuotedLength) * 2)
        text = text.left(kQuotedLength) + QStringLiteral("…");
    return QStringLiteral("«") + text + QStringLiteral("»");
}

bool hasMarkWord(const std::string& text)
{
    return text.find('@') != std::string::npos;
}

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
//
// The template is measured in dialog units: a quarter of the font's average character width
// across and an eighth of its height down, so the form grows with its font as a dialog does.
// The sizes given in pixels are those of the design font (6 x 13 base units) and scale alike.

namespace {

struct BaseUnits
{
    double x;
    double y;
};

BaseUnits baseUnits(const QFont& font)
{
    const QFontMetricsF metrics(font);
    static const QString alphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return {metrics.horizontalAdvance(alphabet) / 52.0, metrics.height()};
}

} // namespace

int CInputForm::scaledX(int designPixels) const
{
    return qRound(designPixels * baseUnits(m_page->font()).x / 6.0);
}

int CInputForm::scaledY(int designPixels) const
{
    return qRound(designPixels * baseUnits(m_page->font()).y / 13.0);
}

QRect CInputForm::dialogRect(int x, int y, int width, int height) const
{
    const BaseUnits units = baseUnits(m_page->font());
    const int left = qRound(x * units.x / 4);
    const int top = qRound(y * units.y / 8);
    const int right = qRound((x + width) * units.x / 4);
    const int bottom = qRound((y + height) * units.y / 8);
    return {left, top, right - left, bottom - top};
}

void CInputForm::placeControls()
{
    const auto place = [this](QWidget* widget, const Spot& spot) {
        widget->setGeometry(dialogRect(spot.x, spot.y, spot.width, spot.height));
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
    QRect spot = dialogRect(kMembershipSpot.x, kMembershipSpot.y, kMembershipSpot.width,
                            kMembershipSpot.height);
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
    for (int i = 0; i < kFieldCount; ++i) {
        const Spot& caption = kCaptionSpots[i];
        const Spot& edit = kEditSpots[i];
        captions[std::size_t(i)] = dialogRect(caption.x, caption.y, caption.width, caption.height);
        edits[std::size_t(i)] = dialogRect(edit.x, edit.y, edit.width, edit.height);
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
        minimum.push_back(std::min(height, twoLines(m_edits[std::size_t(i)])));
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

int CInputForm::twoLines(const CFieldEdit* edit)
{
    const QMargins viewport = edit->viewport()->contentsMargins();
    return 2 * edit->fontMetrics().lineSpacing() +
           2 * int(std::ceil(edit->document()->documentMargin())) + 2 * edit->frameWidth() +
           viewport.top() + viewport.bottom();
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
    for (int i = 0; i < kFieldCount; ++i) {
        if (kEditSpots[i].id == id)
            return m_edits[std::size_t(i)];
    }
    return nullptr;
}

QWidget* CInputForm::firstField() const
{
    return m_recordId != 0 && !m_edits[0]->isHidden() ? m_edits[0] : nullptr;
}

void CInputForm::setButtonsEnabled(bool enabled)
{
    m_applyButton->setEnabled(enabled);
    m_resetButton->setEnabled(enabled);
}

const std::string& CInputForm::field(const TreeRecord& record, int index)
{
    return field(const_cast<TreeRecord&>(record), index);
}

std::string& CInputForm::field(TreeRecord& record, int index)
{
    switch (index) {
    case 0:
        return record.name;
    case 1:
        return record.synonym;
    case 2:
        return record.spelling;
    case 3:
        return record.englishSpelling;
    case 4:
        return record.syntax;
    case 5:
        return record.purpose;
    case 6:
        return record.parameters;
    default:
        return record.notes;
    }
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
    return m_pDoc && m_recordId != 0 ? m_pDoc->FindRecord(m_recordId) : nullptr;
}

const TreeRecord* CInputForm::GetWorkingRecord() const
{
    return m_recordId != 0 ? &m_working : nullptr;
}

QString CInputForm::shownText(int id) const
{
    for (int i = 0; i < kFieldCount; ++i) {
        if (kEditSpots[i].id == id)
            return m_fields[std::size_t(i)].shownText(
                m_edits[std::size_t(i)]->document()->toRawText());
    }
    return {};
}

bool CInputForm::IsRecordModified() const
{
    return m_bRecordModified && record() != nullptr;
}

void CInputForm::OnUpdate(IDocumentView*, UpdateHint lHint, TreeRecord* hint)
{
    if (!m_pDoc || lHint != UpdateHint::Refresh || hint)
        return;
    TreeRecord* current = m_pDoc->currentId != 0 ? m_pDoc->FindRecord(m_pDoc->currentId) : nullptr;
    if (!current) {
        // Nothing selected: what is shown stays, unless its record has gone.
        if (m_recordId != 0 && !record())
            emptyForm();
        return;
    }
    if (current->recordId == m_recordId && m_bRecordModified) {
        // The record being edited is published again (a search landed on it, the tree was
        // edited around it): the edits stay.
        m_working.parentId = current->parentId;
        m_working.treeItem = current->treeItem;
        m_working.parentTreeItem = current->parentTreeItem;
        return;
    }
    loadRecord(*current);
}

void CInputForm::OnDocumentTitleChanged()
{
    if (m_bRecordModified || m_loading)
        return;
    const TreeRecord* stored = record();
    if (!stored)
        return;
    const auto sameTexts = [](const TreeRecord& a, const TreeRecord& b) {
        return a.membership == b.membership && a.name == b.name && a.synonym == b.synonym &&
               a.spelling == b.spelling && a.englishSpelling == b.englishSpelling &&
               a.syntax == b.syntax && a.purpose == b.purpose && a.parameters == b.parameters &&
               a.notes == b.notes;
    };
    if (!sameTexts(*stored, m_working))
        loadRecord(*stored);
}

void CInputForm::loadRecord(const TreeRecord& record)
{
    m_loading = true;
    m_recordId = record.recordId;
    m_working = record;
    m_bRecordModified = false;
    m_touched.fill(false);
    m_loadedMembership = record.membership;
    for (int i = 0; i < kFieldCount; ++i) {
        CFieldEdit* edit = m_edits[std::size_t(i)];
        edit->setFieldText(m_fields[std::size_t(i)].load(field(m_working, i)));
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
    m_recordId = 0;
    m_working = TreeRecord();
    m_bRecordModified = false;
    m_touched.fill(false);
    m_loadedMembership = m_working.membership;
    for (int i = 0; i < kFieldCount; ++i) {
        m_edits[std::size_t(i)]->setFieldText(m_fields[std::size_t(i)].load({}));
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
    m_bRecordModified = true;
    m_touched[std::size_t(index)] = true;
    // Only the part that changed is converted, so a keystroke in a long field stays cheap.
    const QString text = m_edits[std::size_t(index)]->fieldText();
    field(m_working, index) = m_fields[std::size_t(index)].store(text).bytes;
    if (!m_pDoc)
        return;
    if (index < kShortFields)
        m_pDoc->UpdateAllViews(this, UpdateHint::Refresh, &m_working);
    else
        m_pDoc->UpdateAllViews(this, UpdateHint::OtherField, nullptr);
}

// --- apply and reset -----------------------------------------------------------------------

bool CInputForm::ApplyRecord()
{
    if (!m_bRecordModified)
        return true;
    TreeRecord* stored = record();
    if (!stored)
        return false;

    // Only the fields the user changed are taken from the edits, and of those only what differs
    // from what was loaded; everything else keeps the document's bytes as they are now.
    TreeRecord applied = *stored;
    std::array<bool, kFieldCount> changed{};
    for (int i = 0; i < kFieldCount; ++i) {
        if (!m_touched[std::size_t(i)])
            continue;
        const QString text = m_edits[std::size_t(i)]->fieldText();
        const FieldText& fieldText = m_fields[std::size_t(i)];
        if (!fieldText.isChanged(text))
            continue;
        const FieldText::Stored typed = fieldText.store(text);
        if (!typed.lossless) {
            refuseUnencodable(i, typed, text);
            return false;
        }
        field(applied, i) = TypedText::StoreTypedSpan(typed.bytes, typed.begin, typed.end);
        changed[std::size_t(i)] = true;
    }
    if (m_working.membership != m_loadedMembership)
        applied.membership = m_working.membership;

    TreeRecord readBack;
    const RoundTripReport report = CheckRecordRoundTrip(applied, &readBack);
    if (!report.empty() && !confirmRoundTrip(applied, readBack, report, changed))
        return false;

    // One step of the book's history for every field changed, none when nothing differs.
    history().setRecordTexts(stored->recordId, applied);
    m_working = applied;
    m_loadedMembership = applied.membership;
    // The edits go on showing the text as typed; what they are compared with is what is stored.
    for (int i = 0; i < kFieldCount; ++i) {
        if (changed[std::size_t(i)])
            m_fields[std::size_t(i)].load(field(applied, i));
    }
    m_touched.fill(false);
    if (m_pDoc)
        m_pDoc->UpdateAllViews(this, UpdateHint::Refresh, stored);
    setButtonsEnabled(false);
    emit treeFocusRequested();
    m_bRecordModified = false;
    return true;
}

void CInputForm::refuseUnencodable(int index, const FieldText::Stored& typed, const QString& text)
{
    // The first few characters the code page has no byte for, each once, in order.
    QStringList found;
    qsizetype first = -1;
    const QStringView part =
        QStringView(text).sliced(typed.textBegin, typed.textEnd - typed.textBegin);
    for (qsizetype i = 0; i < part.size() && found.size() < 5;) {
        const qsizetype length = part[i].isHighSurrogate() && i + 1 < part.size() ? 2 : 1;
        const QString character = part.sliced(i, length).toString();
        QStringEncoder encoder("windows-1251");
        const QByteArray encoded = encoder.encode(character); // encoding happens on conversion
        if (encoder.hasError() && character != QChar(QChar::ParagraphSeparator) &&
            character != QChar(QChar::LineSeparator)) {
            if (first < 0)
                first = typed.textBegin + i;
            if (!found.contains(character))
                found << character;
        }
        i += length;
    }
    const QString label = QString::fromStdString(FieldLabel(RecordField(index + 1)));
    m_prompts.message(this, QMessageBox::Warning,
                      QStringLiteral("В поле «%1» есть знаки, которых нет в кодировке "
                                     "Windows-1251: %2.\nКнига хранит текст в этой кодировке. "
                                     "Замените или удалите эти знаки, и запись можно будет "
                                     "применить.")
                          .arg(label, found.join(QStringLiteral(" "))),
                      QMessageBox::Ok, QMessageBox::Ok);
    focusField(index);
    if (first >= 0) {
        CFieldEdit* edit = m_edits[std::size_t(index)];
        // A character never straddles a break between pieces.
        QTextCursor cursor(edit->document());
        const int position = LongParagraphs::Position(*edit->document(), first);
        cursor.setPosition(position);
        cursor.setPosition(position + (text[first].isHighSurrogate() ? 2 : 1),
                           QTextCursor::KeepAnchor);
        edit->setTextCursor(cursor);
    }
}

bool CInputForm::confirmRoundTrip(const TreeRecord& applied, const TreeRecord& readBack,
                                  const RoundTripReport& report,
                                  const std::array<bool, kFieldCount>& changed)
{
    QStringList lines;
    int firstField = -1;
    bool marks = false;
    bool joined = false;
    bool quotes = false;
    for (const RoundTripChange& change : report.changes) {
        for (const RecordField kind : change.fields) {
            const int index = indexOf(kind);
            if (index < 0) {
                if (kind == RecordField::Membership)
                    lines << QStringLiteral("• «Принадлежность» станет %1")
                                 .arg(quoted(readBack.membership));
                else
                    lines << QStringLiteral("• запись окажется в другом месте книги");
                continue;
            }
            // Back to editing lands in a field the user changed, where there is one.
            if (firstField < 0 ||
                (changed[std::size_t(index)] && !changed[std::size_t(firstField)]))
                firstField = index;
            const QString label = QString::fromStdString(FieldLabel(kind));
            const std::string& value = field(readBack, index);
            lines << (value.empty()
                          ? QStringLiteral("• «%1» окажется пустым").arg(label)
                          : QStringLiteral("• «%1» станет таким: %2").arg(label, quoted(value)));
            const std::string& typed = field(applied, index);
            marks = marks || (index >= 4 && hasMarkWord(typed));
            quotes = quotes || typed.find('"') != std::string::npos;
            joined =
                joined || (kind == RecordField::Notes && !typed.empty() && typed.front() != '@' &&
                           !(applied.syntax.empty() && applied.purpose.empty() &&
                             applied.parameters.empty()));
        }
    }
    if (report.extraRecords > 0)
        lines << QStringLiteral("• при чтении появятся лишние записи: %1").arg(report.extraRecords);
    QStringList reasons;
    if (marks)
        reasons << QStringLiteral("Слово, которое начинается с «@», читается из файла как "
                                  "заголовок раздела записи.");
    if (joined)
        reasons << QStringLiteral("Примечания, которые не начинаются с «@», при чтении "
                                  "присоединяются к предыдущему разделу.");
    if (quotes)
        reasons << QStringLiteral("Кавычки, которые нельзя записать как есть, записываются "
                                  "двумя апострофами.");
    QString text = QStringLiteral("Текст записи не сохранится в файле в том виде, в каком он "
                                  "введён. После сохранения и нового чтения книги:\n") +
                   lines.join(u'\n');
    if (!reasons.isEmpty())
        text += QStringLiteral("\n\n") + reasons.join(u'\n');
    text += QStringLiteral("\n\nПрименить запись всё равно? «Нет» вернёт к правке.");
    const QMessageBox::StandardButton answer = m_prompts.message(
        this, QMessageBox::Warning, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes)
        return true;
    if (firstField >= 0)
        focusField(firstField);
    return false;
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
        m_pDoc->UpdateAllViews(this, UpdateHint::Refresh, &m_working);
}

void CInputForm::DiscardRecord()
{
    if (!m_bRecordModified)
        return;
    TreeRecord* stored = record();
    if (!stored) {
        emptyForm();
        return;
    }
    loadRecord(*stored);
    if (m_pDoc)
        m_pDoc->UpdateAllViews(this, UpdateHint::Refresh, &m_working);
}

bool CInputForm::selectStoredText(RecordField kind, std::size_t offset, std::size_t length)
{
    const int index = indexOf(kind);
    if (index < 0 || m_recordId == 0 || m_bRecordModified)
        return false;
    CFieldEdit* edit = m_edits[std::size_t(index)];
    const std::string& bytes = m_fields[std::size_t(index)].bytes();
    if (edit->isHidden() || offset > bytes.size() || length > bytes.size() - offset)
        return false;
    QTextDocument& document = *edit->document();
    QTextCursor cursor(&document);
    cursor.setPosition(LongParagraphs::Position(document, FieldText::TextOffset(bytes, offset)));
    cursor.setPosition(
        LongParagraphs::Position(document, FieldText::TextOffset(bytes, offset + length)),
        QTextCursor::KeepAnchor);
    focusField(index);
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
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
    if (m_recordId == 0)
        return;
    CMembershipDlg dialog(m_working.membership, this);
    dialog.placeAt(QCursor::pos());
    if (m_prompts.exec(dialog) != QDialog::Accepted)
        return;
    const std::string& chosen = dialog.membership();
    if (chosen == m_working.membership)
        return;
    m_working.membership = chosen;
    m_membershipLabel->setText(DocumentText::toQString(chosen));
    fitMembershipLabel();
    m_bRecordModified = true;
    setButtonsEnabled(true);

    TreeRecord* stored = record();
    if (!stored || !stored->isFolder() || !m_pDoc)
        return;
    // A section's membership is its whole subtree's, and takes effect at once.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    history().setSubtreeMembership(m_recordId, chosen);
    QGuiApplication::restoreOverrideCursor();
    m_loadedMembership = chosen;
    // Name and synonym typed before stay to be applied or reset.
    const bool textEdits =
        std::any_of(m_touched.begin(), m_touched.end(), [](bool t) { return t; });
    if (!textEdits) {
        m_bRecordModified = false;
        setButtonsEnabled(false);
    }
}
