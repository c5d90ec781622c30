// Draws the program's icons and toolbar images. Run once after changing the art:
//   zeticonart <src/res directory>
// and commit the PNG files it writes.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>

namespace {

using Painter = std::function<void(QPainter&)>;

// Every picture is drawn on a 16-unit grid and scaled, so all sizes share one drawing.
bool save(const QString& path, int size, const Painter& draw)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    draw(p);
    p.end();
    QDir().mkpath(QFileInfo(path).absolutePath());
    return image.save(path, "PNG");
}

void page(QPainter& p, const QColor& fill)
{
    QPainterPath path;
    path.moveTo(3.5, 1.5);
    path.lineTo(10, 1.5);
    path.lineTo(13.5, 5);
    path.lineTo(13.5, 14.5);
    path.lineTo(3.5, 14.5);
    path.closeSubpath();
    p.setPen(QPen(QColor(70, 70, 70), 1));
    p.setBrush(fill);
    p.drawPath(path);
    QPainterPath corner;
    corner.moveTo(10, 1.5);
    corner.lineTo(10, 5);
    corner.lineTo(13.5, 5);
    p.setBrush(QColor(215, 215, 215));
    p.drawPath(corner);
}

void drawNew(QPainter& p)
{
    page(p, Qt::white);
    p.setPen(QPen(QColor(230, 170, 0), 1.4));
    p.drawLine(QPointF(12, 9), QPointF(12, 15));
    p.drawLine(QPointF(9, 12), QPointF(15, 12));
}

void folderBack(QPainter& p, const QColor& fill)
{
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6, 3.5);
    back.lineTo(7.5, 5);
    back.lineTo(14.5, 5);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.setPen(QPen(QColor(150, 105, 20), 1));
    p.setBrush(fill);
    p.drawPath(back);
}

void drawFolderClosed(QPainter& p)
{
    folderBack(p, QColor(240, 195, 80));
    p.setPen(QPen(QColor(255, 230, 160), 1));
    p.drawLine(QPointF(2.5, 6.5), QPointF(13.5, 6.5));
}

void drawFolderOpen(QPainter& p)
{
    folderBack(p, QColor(215, 165, 55));
    QPainterPath front;
    front.moveTo(3.5, 7.5);
    front.lineTo(15.5, 7.5);
    front.lineTo(13.5, 13.5);
    front.lineTo(1.5, 13.5);
    front.closeSubpath();
    p.setPen(QPen(QColor(150, 105, 20), 1));
    p.setBrush(QColor(250, 215, 120));
    p.drawPath(front);
}

void drawRecord(QPainter& p)
{
    page(p, QColor(250, 250, 255));
    p.setPen(QPen(QColor(60, 110, 200), 1));
    for (double y : {7.5, 9.5, 11.5})
        p.drawLine(QPointF(5.5, y), QPointF(11.5, y));
}

void drawSave(QPainter& p)
{
    p.setPen(QPen(QColor(30, 45, 90), 1));
    p.setBrush(QColor(60, 95, 175));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1, 1);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(200, 205, 215));
    p.drawRect(QRectF(4.5, 9.5, 7, 5));
    p.setBrush(QColor(30, 45, 90));
    p.drawRect(QRectF(9, 2.5, 1.5, 3));
}

void drawAbout(QPainter& p)
{
    p.setPen(QPen(QColor(20, 70, 150), 1));
    p.setBrush(QColor(60, 130, 220));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    QFont font;
    font.setBold(true);
    font.setPixelSize(11);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, QStringLiteral("?"));
}

// A blue arrow turning back to the left (undo); mirrored, forward to the right (redo).
void drawTurnArrow(QPainter& p, bool forward)
{
    if (forward) {
        p.translate(16, 0);
        p.scale(-1, 1);
    }
    QPainterPath shaft;
    shaft.moveTo(12.5, 13.5);
    shaft.cubicTo(15, 8.5, 12, 5.5, 6.5, 5.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(20, 70, 150), 3.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(shaft);
    p.setPen(QPen(QColor(60, 130, 220), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(shaft);
    QPainterPath head;
    head.moveTo(1.5, 5.5);
    head.lineTo(7.5, 1);
    head.lineTo(7.5, 10);
    head.closeSubpath();
    p.setPen(QPen(QColor(20, 70, 150), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(60, 130, 220));
    p.drawPath(head);
}

void drawUndo(QPainter& p)
{
    drawTurnArrow(p, false);
}

void drawRedo(QPainter& p)
{
    drawTurnArrow(p, true);
}

// A closed book with a "Z" on its cover.
void drawApplication(QPainter& p)
{
    p.setPen(QPen(QColor(90, 30, 20), 0.8));
    p.setBrush(QColor(245, 240, 225));
    p.drawRect(QRectF(3.5, 2, 11, 13));
    p.setBrush(QColor(175, 50, 35));
    p.drawRoundedRect(QRectF(1.5, 1, 11, 13.5), 1, 1);
    p.setBrush(QColor(120, 30, 20));
    p.drawRect(QRectF(1.5, 1, 2, 13.5));
    QPainterPath z;
    z.moveTo(5.5, 4.5);
    z.lineTo(10.5, 4.5);
    z.lineTo(5.5, 11);
    z.lineTo(10.5, 11);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 215, 90), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(z);
}

// A page with the book's "Z" mark: the file type's icon.
void drawDocument(QPainter& p)
{
    page(p, Qt::white);
    QPainterPath z;
    z.moveTo(6, 7);
    z.lineTo(11, 7);
    z.lineTo(6, 12.5);
    z.lineTo(11, 12.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(175, 50, 35), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(z);
}

// Pictures with their own pixel size, drawn in pixel coordinates without smoothing so that
// the thin lines stay sharp. A non-empty `palette` stores the picture with those colours only.
bool savePicture(const QString& path, QSize size, const Painter& draw,
                 const QList<QRgb>& palette = {}, const QColor& background = Qt::transparent)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter p(&image);
    draw(p);
    p.end();
    if (!palette.isEmpty())
        image = image.convertToFormat(QImage::Format_Indexed8, palette, Qt::ThresholdDither);
    QDir().mkpath(QFileInfo(path).absolutePath());
    return image.save(path, "PNG");
}

// The sixteen colours of a 4-bit picture.
const QList<QRgb> kSixteenColours{
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};

// The 256 colours of an 8-bit picture: a 6x6x6 cube, the page colours and greys.
QList<QRgb> eightBitColours()
{
    QList<QRgb> colours;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                colours << qRgb(r * 51, g * 51, b * 51);
    colours << qRgb(0, 0, 128) << qRgb(0xCC, 0xEC, 0xFF) << qRgb(96, 96, 96) << qRgb(128, 128, 128)
            << qRgb(160, 160, 160) << qRgb(192, 192, 192) << qRgb(224, 224, 224);
    return colours;
}

// A line of text seen from afar.
void textBar(QPainter& p, int x, int y, int length, const QColor& colour, int height = 1)
{
    p.fillRect(QRect(x, y, length, height), colour);
}

// A page of the plain style: the spelling in bold, then navy headings over their text.
void drawSyntaxHelperSample(QPainter& p)
{
    p.fillRect(QRect(0, 0, 64, 56), Qt::white);
    p.setPen(QColor(128, 128, 128));
    p.drawRect(QRect(0, 0, 63, 55));
    const QColor text(96, 96, 96);
    const QColor navy(0, 0, 128);
    textBar(p, 4, 4, 30, Qt::black, 2);
    textBar(p, 4, 8, 24, Qt::black, 2);
    int y = 14;
    for (const int lines : {1, 3, 2}) {
        textBar(p, 4, y, 17, navy, 2);
        y += 4;
        for (int i = 0; i < lines; ++i) {
            textBar(p, 9, y, i + 1 == lines ? 31 : 50, text);
            y += 3;
        }
        y += 3;
    }
}

// A page of the table style: headings in a light blue column, texts beside them.
void drawHtmlTableSample(QPainter& p)
{
    p.fillRect(QRect(0, 0, 64, 56), Qt::white);
    p.setPen(QColor(128, 128, 128));
    p.drawRect(QRect(0, 0, 63, 55));
    const QColor header(0xCC, 0xEC, 0xFF);
    const QColor text(96, 96, 96);
    const int left = 3, middle = 21, right = 60;
    int top = 3;
    for (const int lines : {1, 1, 2, 3, 2}) {
        const int height = 4 + lines * 3;
        p.fillRect(QRect(left, top, middle - left, height), header);
        textBar(p, left + 2, top + 3, 12, Qt::black);
        for (int i = 0; i < lines; ++i)
            textBar(p, middle + 2, top + 3 + i * 3, i + 1 == lines && lines > 1 ? 20 : 35, text);
        p.setPen(Qt::black);
        p.drawLine(left, top, right, top);
        top += height;
    }
    p.setPen(Qt::black);
    p.drawLine(left, top, right, top);
    p.drawLine(left, 3, left, top);
    p.drawLine(middle, 3, middle, top);
    p.drawLine(right, 3, right, top);
}

// Eight frames of a ring of dots whose dark head goes round clockwise.
void drawBusyStrip(QPainter& p)
{
    p.fillRect(QRect(0, 0, 256, 32), Qt::white);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QColor shades[] = {QColor(0, 0, 128), QColor(0, 0, 255), QColor(128, 128, 128)};
    for (int frame = 0; frame < 8; ++frame) {
        const QPointF centre(32 * frame + 16, 16);
        for (int dot = 0; dot < 8; ++dot) {
            const int behind = (frame - dot + 8) % 8;
            p.setBrush(behind < 3 ? shades[behind] : QColor(192, 192, 192));
            const double angle = dot * std::numbers::pi / 4 - std::numbers::pi / 2;
            const QPointF at = centre + QPointF(10 * std::cos(angle), 10 * std::sin(angle));
            p.drawEllipse(at, 3, 3);
        }
    }
}

// Lines of text for the alignment buttons: `lengths` from the left edge.
void drawTextLines(QPainter& p, std::initializer_list<int> lengths)
{
    int y = 2;
    for (const int length : lengths) {
        textBar(p, 2, y, length, QColor(0, 0, 0));
        y += 3;
    }
}

void drawAlignLeft(QPainter& p)
{
    drawTextLines(p, {12, 8, 11, 6, 10});
}

void drawAlignJustify(QPainter& p)
{
    drawTextLines(p, {12, 12, 12, 12, 7});
}

// An open folder with an ellipsis: choose a file or folder.
void drawBrowse(QPainter& p)
{
    drawFolderOpen(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 60, 10));
    for (double x : {6.0, 8.5, 11.0})
        p.drawEllipse(QPointF(x, 10.5), 0.9, 0.9);
}

// A blue help book with a question mark: the help file being made.
void drawCreateHelp(QPainter& p)
{
    p.setPen(QPen(QColor(20, 40, 100), 0.8));
    p.setBrush(QColor(245, 240, 225));
    p.drawRect(QRectF(3.5, 2, 11, 13));
    p.setBrush(QColor(45, 95, 190));
    p.drawRoundedRect(QRectF(1.5, 1, 11, 13.5), 1, 1);
    p.setBrush(QColor(25, 55, 130));
    p.drawRect(QRectF(1.5, 1, 2, 13.5));
    QFont font;
    font.setBold(true);
    font.setPixelSize(10);
    p.setFont(font);
    p.setPen(QColor(255, 215, 90));
    p.drawText(QRectF(3.5, 1, 9, 13.5), Qt::AlignCenter, QStringLiteral("?"));
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zeticonart RESOURCE_DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    bool ok = true;
    ok &= save(dir + "/toolbar/new.png", 16, drawNew);
    ok &= save(dir + "/toolbar/open.png", 16, drawFolderOpen);
    ok &= save(dir + "/toolbar/save.png", 16, drawSave);
    ok &= save(dir + "/toolbar/about.png", 16, drawAbout);
    ok &= save(dir + "/toolbar/undo.png", 16, drawUndo);
    ok &= save(dir + "/toolbar/redo.png", 16, drawRedo);
    ok &= save(dir + "/tree/folder-closed.png", 16, drawFolderClosed);
    ok &= save(dir + "/tree/folder-open.png", 16, drawFolderOpen);
    ok &= save(dir + "/tree/record.png", 16, drawRecord);
    for (int size : {16, 32, 48, 64}) {
        const QString name = QStringLiteral("%1x%1").arg(size);
        ok &= save(dir + "/icons/" + name + "/zetbrowser.png", size, drawApplication);
        ok &= save(dir + "/icons/" + name + "/application-x-zet-document.png", size, drawDocument);
    }
    for (int size : {16, 32}) {
        const QString suffix = QStringLiteral("-%1.png").arg(size);
        ok &= save(dir + "/help/browse" + suffix, size, drawBrowse);
        ok &= save(dir + "/help/create-help" + suffix, size, drawCreateHelp);
    }
    ok &= savePicture(dir + "/help/style-syntax-helper.png", {64, 56}, drawSyntaxHelperSample,
                      eightBitColours());
    ok &= savePicture(dir + "/help/style-html-table.png", {64, 56}, drawHtmlTableSample,
                      eightBitColours());
    ok &= savePicture(dir + "/help/busy.png", {256, 32}, drawBusyStrip, kSixteenColours);
    ok &= savePicture(dir + "/help/align-left.png", {16, 16}, drawAlignLeft);
    ok &= savePicture(dir + "/help/align-justify.png", {16, 16}, drawAlignJustify);
    return ok ? 0 : 1;
}
