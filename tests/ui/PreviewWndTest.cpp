#include "CPreviewWnd.h"
#include "CZETbrowserDoc.h"
#include "DocumentText.h"
#include "FontMetricsMeasurer.h"
#include "IWorkingRecordSource.h"
#include "TestEnvironment.h"

#include <QFontDatabase>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtTest>

#include <memory>

namespace {

// The input form as the preview sees it: a view holding a working record.
class FakeForm : public IDocumentView, public IWorkingRecordSource
{
public:
    explicit FakeForm(CZETbrowserDoc& doc) : m_doc(doc) { m_doc.AddView(this); }
    ~FakeForm() override { m_doc.RemoveView(this); }

    // Loads the next record on an update, as the form does.
    void OnUpdate(IDocumentView*, UpdateHint, TreeRecord*) override
    {
        if (!next.name.empty())
            record = next;
    }
    const TreeRecord* GetWorkingRecord() const override { return &record; }

    TreeRecord record;
    TreeRecord next;

private:
    CZETbrowserDoc& m_doc;
};

QStringList texts(CPreviewWnd& preview)
{
    QStringList result;
    for (const PreviewLine& line : preview.currentLayout().lines())
        result << line.text;
    return result;
}

TreeRecord entry(const QString& spelling, int noteLines)
{
    TreeRecord record;
    record.spelling = DocumentText::fromQString(spelling);
    record.name = record.spelling;
    QStringList notes;
    for (int i = 1; i <= noteLines; ++i)
        notes << QStringLiteral("Строка %1").arg(i);
    record.notes = DocumentText::fromQString(notes.join(QStringLiteral("\r\n")));
    return record;
}

// A preview 300 x 200 pixels, on screen, showing a selected entry 60 note lines long.
struct TallEntryPreview
{
    CZETbrowserDoc doc;
    FakeForm form{doc};
    CPreviewWnd preview{&doc};

    bool show()
    {
        preview.setRecordSource(&form);
        form.record = entry(QStringLiteral("Лев"), 60);
        preview.resize(300, 200);
        preview.show();
        if (!QTest::qWaitForWindowExposed(&preview))
            return false;
        doc.currentId = 1;
        preview.OnUpdate(nullptr, UpdateHint::Refresh, nullptr);
        return true;
    }
};

} // namespace

class PreviewWndTest : public QObject
{
    Q_OBJECT

private slots:
    void fontsAreSmallSansSerifMeasuredAsDrawn()
    {
        const QString sans = QFontInfo(QFont(QStringLiteral("sans-serif"))).family();
        const QString sample = QStringLiteral("Синтаксис: Возвращает значение (Строка), 12345.");
        for (const PreviewFont role :
             {PreviewFont::Normal, PreviewFont::Bold, PreviewFont::Heading}) {
            const QFont font = CPreviewWnd::createFont(role);
            QCOMPARE(font.pixelSize(), 10);
            QCOMPARE(font.bold(), role == PreviewFont::Bold);
            QCOMPARE(font.underline(), role == PreviewFont::Heading);
            if (!QFontDatabase::hasFamily(QStringLiteral("ms sans serif")))
                QCOMPARE(QFontInfo(font).family(), sans);
            // What the layout measures is what Qt draws.
            const FontMetricsMeasurer measurer(font, font, font);
            QCOMPARE(measurer.width(sample, role), QFontMetrics(font).horizontalAdvance(sample));
            QCOMPARE(measurer.height(role), QFontMetrics(font).height());
        }
    }

    void showsTheFormsRecordAndNeverAGoneOne()
    {
        CZETbrowserDoc doc;
        CPreviewWnd preview(&doc);
        QVERIFY(std::count(doc.views().begin(), doc.views().end(), &preview) == 1);
        auto form = std::make_unique<FakeForm>(doc);
        preview.setRecordSource(form.get());
        form->record = entry(QStringLiteral("Лев"), 0);
        preview.resize(300, 200);

        // Nothing selected: the update changes nothing.
        preview.OnUpdate(nullptr, UpdateHint::Refresh, nullptr);
        QVERIFY(texts(preview).isEmpty());
        QCOMPARE(preview.currentLayout().contentHeight(), 5);

        // The preview updates before the form here, yet draws what the form loads.
        form->next = entry(QStringLiteral("Прав"), 0);
        doc.currentId = 1;
        doc.UpdateAllViews(nullptr);
        QCOMPARE(texts(preview), QStringList{QStringLiteral("Прав")});

        // Typing in the form: redrawn on the field hint.
        form->record.spelling = DocumentText::fromQString(QStringLiteral("Права"));
        doc.UpdateAllViews(form.get(), UpdateHint::OtherField);
        QCOMPARE(texts(preview), QStringList{QStringLiteral("Права")});

        // The form goes (and with it the window's word that it is the source): the pane empties
        // on the next layout, update or not.
        preview.setRecordSource(nullptr);
        form.reset();
        preview.resize(310, 200);
        QVERIFY(texts(preview).isEmpty());
        doc.UpdateAllViews(nullptr);
        QVERIFY(texts(preview).isEmpty());

        {
            CPreviewWnd second(&doc);
            QCOMPARE(doc.views().size(), std::size_t(2));
        }
        QCOMPARE(doc.views().size(), std::size_t(1));
    }

    void scrollsByLinesAndPagesWithinTheContent()
    {
        TallEntryPreview shown;
        QVERIFY(shown.show());
        CPreviewWnd& preview = shown.preview;

        const int lineHeight = QFontMetrics(CPreviewWnd::createFont(PreviewFont::Normal)).height();
        const int content = preview.currentLayout().contentHeight();
        QCOMPARE(preview.lineHeight(), lineHeight);
        QCOMPARE(content, 5 + QFontMetrics(CPreviewWnd::createFont(PreviewFont::Bold)).height() +
                              60 * lineHeight);
        const int page = preview.viewport()->height();
        QScrollBar* bar = preview.verticalScrollBar();
        QCOMPARE(bar->maximum(), content - page);

        QTest::keyClick(&preview, Qt::Key_Down);
        QCOMPARE(preview.scrollOffset(), -lineHeight);
        QTest::keyClick(&preview, Qt::Key_PageDown);
        QCOMPARE(preview.scrollOffset(), -lineHeight - page);
        QTest::keyClick(&preview, Qt::Key_PageUp);
        QTest::keyClick(&preview, Qt::Key_Up);
        QCOMPARE(preview.scrollOffset(), 0);
        QTest::keyClick(&preview, Qt::Key_Up);
        QCOMPARE(preview.scrollOffset(), 0);

        QWheelEvent wheel(QPointF(50, 50), preview.viewport()->mapToGlobal(QPointF(50, 50)),
                          QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(preview.viewport(), &wheel);
        QCOMPARE(preview.scrollOffset(), -QApplication::wheelScrollLines() * lineHeight);

        bar->setSliderPosition(37); // dragging the thumb
        QCOMPARE(preview.scrollOffset(), -37);

        // The bottom: the last line at the foot of the pane, and no further.
        QTest::keyClick(&preview, Qt::Key_End);
        QCOMPARE(preview.scrollOffset(), page - content);
        const QImage bottom = preview.viewport()->grab().toImage();
        QTest::keyClick(&preview, Qt::Key_Down);
        QTest::keyClick(&preview, Qt::Key_PageDown);
        QCOMPARE(preview.scrollOffset(), page - content);
        QTest::keyClick(&preview, Qt::Key_Home);
        QCOMPARE(preview.scrollOffset(), 0);
        // Something is drawn, and what differs with the position.
        const QImage top = preview.viewport()->grab().toImage();
        QVERIFY(top != bottom);
        QVERIFY(top.pixelColor(0, 0) == preview.palette().color(QPalette::Base));
    }

    void updatesAndResizesReturnToTheTop()
    {
        TallEntryPreview shown;
        QVERIFY(shown.show());
        CZETbrowserDoc& doc = shown.doc;
        FakeForm& form = shown.form;
        CPreviewWnd& preview = shown.preview;
        preview.currentLayout();
        QScrollBar* bar = preview.verticalScrollBar();

        bar->setValue(50);
        QCOMPARE(preview.scrollOffset(), -50);
        // Typing in the record shown keeps the place, and so do a relabel, Apply and Сброс.
        doc.UpdateAllViews(nullptr, UpdateHint::OtherField);
        QCOMPARE(preview.scrollOffset(), -50);
        doc.UpdateAllViews(nullptr, UpdateHint::Refresh, &form.record);
        QCOMPARE(preview.scrollOffset(), -50);
        // Fewer lines than the place scrolled to: the offset is clamped to the new end.
        form.record = entry(QStringLiteral("Лев"), 12);
        doc.UpdateAllViews(nullptr, UpdateHint::OtherField);
        preview.currentLayout();
        QCOMPARE(preview.scrollOffset(), std::min(0, preview.viewport()->height() -
                                                         preview.currentLayout().contentHeight()));
        bar->setValue(bar->maximum());
        // A new selection starts at the top.
        form.record = entry(QStringLiteral("Прав"), 60);
        doc.UpdateAllViews(nullptr, UpdateHint::Refresh, nullptr);
        QCOMPARE(preview.scrollOffset(), 0);
        preview.currentLayout();

        // With nothing selected an update leaves the pane as it is.
        bar->setValue(50);
        doc.currentId = 0;
        doc.UpdateAllViews(nullptr);
        QCOMPARE(preview.scrollOffset(), -50);

        preview.resize(300, 260);
        QCOMPARE(preview.scrollOffset(), 0);
        QCOMPARE(bar->value(), 0);

        // Tall enough for everything: nothing to scroll, and the text stays at the top.
        bar->setValue(50);
        preview.resize(300, 2000);
        QCOMPARE(bar->maximum(), 0);
        QTest::keyClick(&preview, Qt::Key_End);
        QCOMPARE(preview.scrollOffset(), 0);
    }
};

int main(int argc, char** argv)
{
    return runUiTest<PreviewWndTest>(argc, argv);
}

#include "PreviewWndTest.moc"
