// Draws the program's icons and toolbar images. Run once after changing the art:
//   zeticonart <src/res directory>
// and commit the PNG files it writes.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

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
    ok &= save(dir + "/tree/folder-closed.png", 16, drawFolderClosed);
    ok &= save(dir + "/tree/folder-open.png", 16, drawFolderOpen);
    ok &= save(dir + "/tree/record.png", 16, drawRecord);
    for (int size : {16, 32, 48, 64}) {
        const QString name = QStringLiteral("%1x%1").arg(size);
        ok &= save(dir + "/icons/" + name + "/zetbrowser.png", size, drawApplication);
        ok &= save(dir + "/icons/" + name + "/application-x-zet-document.png", size, drawDocument);
    }
    return ok ? 0 : 1;
}
