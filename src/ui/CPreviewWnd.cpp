#include "CPreviewWnd.h"

#include "CZETbrowserDoc.h"
#include "IWorkingRecordSource.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace {

constexpr int kFontPixelSize = 10;

QString fontFamily()
{
    const QString wanted = QStringLiteral("ms sans serif");
    if (QFontDatabase::hasFamily(wanted))
        return wanted;
    QFont sans(QStringLiteral("sans-serif"));
    sans.setStyleHint(QFont::SansSerif);
    return QFontInfo(sans).family();
}

} // namespace

CPreviewWnd::CPreviewWnd(CZETbrowserDoc* doc, QWidget* parent)
    : QAbstractScrollArea(parent), m_pDoc(doc), m_normalFont(createFont(PreviewFont::Normal)),
      m_boldFont(createFont(PreviewFont::Bold)), m_headingFont(createFont(PreviewFont::Heading)),
      m_measurer(m_normalFont, m_boldFont, m_headingFont), m_layout(m_measurer)
{
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    if (m_pDoc)
        m_pDoc->AddView(this);
}

CPreviewWnd::~CPreviewWnd()
{
    if (m_pDoc)
        m_pDoc->RemoveView(this);
}

QFont CPreviewWnd::createFont(PreviewFont role)
{
    QFont font(fontFamily());
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(kFontPixelSize);
    font.setWeight(role == PreviewFont::Bold ? QFont::Bold : QFont::Normal);
    font.setUnderline(role == PreviewFont::Heading);
    // Whole-pixel advances without kerning: a line is as wide as its characters' advances, the
    // way the layout measures it.
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

const QFont& CPreviewWnd::previewFont(PreviewFont role) const
{
    switch (role) {
    case PreviewFont::Bold:
        return m_boldFont;
    case PreviewFont::Heading:
        return m_headingFont;
    case PreviewFont::Normal:
        break;
    }
    return m_normalFont;
}

void CPreviewWnd::OnUpdate(IDocumentView*, UpdateHint lHint, TreeRecord* hint)
{
    if (!m_pDoc)
        return;
    const IWorkingRecordSource* source = m_source;
    if (m_pDoc->currentId == 0) {
        // Nothing selected: the pane stays as it is, unless the form has let go of its record
        // (it was deleted).
        if (m_hasRecord && source && !source->GetWorkingRecord()) {
            m_hasRecord = false;
            m_layoutStale = true;
            scrollToTop();
            viewport()->update();
        }
        return;
    }
    // Another record starts at the top; while the user edits the one shown (a field changed, or
    // the record was applied or reset) the pane stays where it was scrolled to.
    if (lHint == UpdateHint::Refresh && hint == nullptr)
        scrollToTop();
    const bool had = m_hasRecord;
    if (source)
        m_hasRecord = source->GetWorkingRecord() != nullptr;
    m_layoutStale = true;
    if (m_hasRecord || had)
        viewport()->update();
}

void CPreviewWnd::setRecordSource(const IWorkingRecordSource* source)
{
    m_source = source;
    m_layoutStale = true;
    viewport()->update();
}

const PreviewLayout& CPreviewWnd::currentLayout()
{
    ensureLayout();
    return m_layout;
}

void CPreviewWnd::ensureLayout()
{
    if (m_layoutStale || m_layoutWidth != width()) {
        const IWorkingRecordSource* source = m_hasRecord ? m_source : nullptr;
        m_layout.layout(source ? source->GetWorkingRecord() : nullptr, width());
        m_layoutStale = false;
        m_layoutWidth = width();
        if (m_layout.lineHeight() > 0)
            m_lineHeight = m_layout.lineHeight();
    }
    const QSize page = viewport()->size();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, std::max(0, m_layout.contentHeight() - page.height()));
    vertical->setPageStep(page.height());
    vertical->setSingleStep(m_lineHeight);
    // The widest line starts at the left margin; let it scroll fully into view.
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0,
                         std::max(0, PreviewLayout::kMargin + m_layout.maxWidth() - page.width()));
    horizontal->setPageStep(page.width());
    horizontal->setSingleStep(m_lineHeight);
}

void CPreviewWnd::scrollToTop()
{
    m_scrollOffset = 0;
    verticalScrollBar()->setValue(0);
}

void CPreviewWnd::scrollContentsBy(int, int)
{
    m_scrollOffset = -verticalScrollBar()->value();
    viewport()->update();
}

void CPreviewWnd::resizeEvent(QResizeEvent* event)
{
    scrollToTop();
    QAbstractScrollArea::resizeEvent(event);
    ensureLayout();
}

void CPreviewWnd::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Home:
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
        return;
    case Qt::Key_End:
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void CPreviewWnd::paintEvent(QPaintEvent* event)
{
    ensureLayout();
    QPainter painter(viewport());
    painter.setPen(viewport()->palette().color(QPalette::Text));
    const QRect area = event->rect();
    const int left = -horizontalScrollBar()->value();
    const int tallest =
        std::max({m_measurer.height(PreviewFont::Normal), m_measurer.height(PreviewFont::Bold),
                  m_measurer.height(PreviewFont::Heading)});
    const std::vector<PreviewLine>& lines = m_layout.lines();
    // Lines come in order of height: start at the first one that reaches the exposed area.
    auto line =
        std::lower_bound(lines.begin(), lines.end(), area.top() - m_scrollOffset - tallest,
                         [](const PreviewLine& candidate, int top) { return candidate.y < top; });
    std::optional<PreviewFont> selected;
    for (; line != lines.end() && line->y + m_scrollOffset <= area.bottom(); ++line) {
        if (selected != line->font) {
            painter.setFont(previewFont(line->font));
            selected = line->font;
        }
        painter.drawText(left + line->x, line->y + m_scrollOffset + m_measurer.ascent(line->font),
                         line->text);
    }
}
