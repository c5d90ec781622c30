#pragma once

#include "FontMetricsMeasurer.h"
#include "IDocumentView.h"
#include "PreviewLayout.h"

#include <QAbstractScrollArea>
#include <QFont>

class CZETbrowserDoc;
class IWorkingRecordSource;

// The right-hand pane of a document window: the record being edited, drawn read-only the way the
// syntax-helper reference shows it, scrolled vertically by lines of text and by pages.
//
// A view of the document: it registers itself on construction and leaves on destruction, so the
// document must outlive it. It draws the working record of its record source (the input form,
// which the document window hands it), asked afresh each time it lays out; without a source the
// pane is empty.
class CPreviewWnd : public QAbstractScrollArea, public IDocumentView
{
    Q_OBJECT

public:
    explicit CPreviewWnd(CZETbrowserDoc* doc, QWidget* parent = nullptr);
    ~CPreviewWnd() override;

    // The preview's font for `role`: "ms sans serif" at 10 pixels, or the system's sans-serif
    // family at that size where it is missing.
    static QFont createFont(PreviewFont role);

    // While a record is selected, redraw the working record (laid out on the next paint, so every
    // view has updated by then); a new selection (no hint) also scrolls back to the top.
    void OnUpdate(IDocumentView* sender, UpdateHint lHint, TreeRecord* hint) override;

    // Whose working record to draw (null: none); the source must outlive the pane or be taken
    // away first.
    void setRecordSource(const IWorkingRecordSource* source);

    CZETbrowserDoc* GetDocument() const { return m_pDoc; }
    const QFont& previewFont(PreviewFont role) const;
    // The vertical drawing offset: 0 at the top, negative when scrolled down.
    int scrollOffset() const { return m_scrollOffset; }
    // The line-scroll step: the height of the last paragraph laid out; 0 before the first.
    int lineHeight() const { return m_lineHeight; }
    // The layout of what the pane shows, brought up to date first.
    const PreviewLayout& currentLayout();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void scrollToTop();
    void ensureLayout();

    CZETbrowserDoc* m_pDoc = nullptr;
    const IWorkingRecordSource* m_source = nullptr;
    QFont m_normalFont;
    QFont m_boldFont;
    QFont m_headingFont;
    FontMetricsMeasurer m_measurer;
    PreviewLayout m_layout;
    // An update has found a working record to show.
    bool m_hasRecord = false;
    bool m_layoutStale = true;
    int m_layoutWidth = -1;
    int m_scrollOffset = 0;
    int m_lineHeight = 0;
};
