// Draws the program's icons (resources/icon.png and resources/icons/*.png)
// with plain vector shapes. Run it by hand after changing a drawing; the
// PNG files it writes are committed and compiled into the program.
//
// usage: make_icons RESOURCES_DIRECTORY

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>

namespace {

constexpr int Size = 64;
const QColor Ink(0x2b, 0x3a, 0x4a);
const QColor Paper(0xf7, 0xf7, 0xf2);
const QColor Folder(0xe0, 0xa8, 0x3a);
const QColor Accent(0x1f, 0x7a, 0x8c);
const QColor Go(0x2e, 0x8b, 0x57);
const QColor Stop(0xc0, 0x39, 0x2b);

QPen pen(const QColor& colour, double width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A seismic wiggle: a sine burst whose positive lobes are filled.
void wiggle(QPainter& p, double x, double top, double bottom, double amplitude, double phase)
{
    QPainterPath line;
    QPainterPath fill;
    const int steps = 60;
    for (int i = 0; i <= steps; ++i) {
        const double t = double(i) / steps;
        const double y = top + t * (bottom - top);
        const double envelope = std::sin(t * M_PI);
        const double dx = amplitude * envelope * std::sin(t * 5.0 * M_PI + phase);
        if (i == 0) {
            line.moveTo(x + dx, y);
            fill.moveTo(x, y);
        } else {
            line.lineTo(x + dx, y);
        }
        fill.lineTo(x + std::max(dx, 0.0), y);
    }
    fill.lineTo(x, bottom);
    fill.closeSubpath();
    p.fillPath(fill, Qt::white);
    p.setPen(pen(Qt::white, 2.0));
    p.drawPath(line);
}

void appIcon(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Accent);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    wiggle(p, 16, 8, 56, 8, 0.0);
    wiggle(p, 32, 8, 56, 8, 0.9);
    wiggle(p, 48, 8, 56, 8, 1.8);
}

void document(QPainter& p, const QRectF& r)
{
    QPainterPath page;
    const double fold = r.width() * 0.3;
    page.moveTo(r.left(), r.top());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.right(), r.bottom());
    page.lineTo(r.left(), r.bottom());
    page.closeSubpath();
    p.setPen(pen(Ink, 3));
    p.setBrush(Paper);
    p.drawPath(page);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour)
{
    p.setPen(pen(colour, 6));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF n(-d.y(), d.x());
    p.drawLine(to, to - d * 12 + n * 10);
    p.drawLine(to, to - d * 12 - n * 10);
}

void folder(QPainter& p, bool open)
{
    p.setPen(pen(Ink, 3));
    p.setBrush(Folder.darker(115));
    QPainterPath back;
    back.moveTo(6, 14);
    back.lineTo(24, 14);
    back.lineTo(29, 20);
    back.lineTo(56, 20);
    back.lineTo(56, 52);
    back.lineTo(6, 52);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(Folder);
    QPolygonF front;
    if (open)
        front << QPointF(6, 52) << QPointF(14, 28) << QPointF(62, 28) << QPointF(56, 52);
    else
        front << QPointF(6, 52) << QPointF(6, 26) << QPointF(56, 26) << QPointF(56, 52);
    p.drawPolygon(front);
}

void saveIcon(QPainter& p)
{
    p.setPen(pen(Ink, 3));
    p.setBrush(Accent);
    QPainterPath body;
    body.moveTo(8, 8);
    body.lineTo(48, 8);
    body.lineTo(56, 16);
    body.lineTo(56, 56);
    body.lineTo(8, 56);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(Paper);
    p.drawRect(QRectF(16, 8, 28, 16));
    p.drawRect(QRectF(16, 34, 32, 22));
    p.setPen(pen(Ink, 2));
    p.drawLine(QPointF(21, 42), QPointF(43, 42));
    p.drawLine(QPointF(21, 49), QPointF(43, 49));
}

void lock(QPainter& p, bool open)
{
    p.setPen(pen(Ink, 6));
    p.setBrush(Qt::NoBrush);
    if (open)
        p.drawArc(QRectF(30, 6, 24, 30), 0, 180 * 16);
    else
        p.drawArc(QRectF(18, 6, 28, 34), 0, 180 * 16);
    if (open)
        p.drawLine(QPointF(54, 21), QPointF(54, 28));
    else {
        p.drawLine(QPointF(18, 23), QPointF(18, 30));
        p.drawLine(QPointF(46, 23), QPointF(46, 30));
    }
    p.setPen(pen(Ink, 3));
    p.setBrush(open ? Go : Folder);
    p.drawRoundedRect(QRectF(10, 28, 44, 30), 5, 5);
    p.setBrush(Ink);
    p.drawEllipse(QPointF(32, 41), 4, 4);
    p.drawLine(QPointF(32, 43), QPointF(32, 51));
}

void checkBox(QPainter& p, bool checked)
{
    p.setPen(pen(Ink, 4));
    p.setBrush(Paper);
    p.drawRoundedRect(QRectF(8, 8, 48, 48), 6, 6);
    if (checked) {
        p.setPen(pen(Go, 8));
        p.drawPolyline(QPolygonF() << QPointF(18, 32) << QPointF(28, 44) << QPointF(47, 19));
    }
}

void exitIcon(QPainter& p)
{
    p.setPen(pen(Ink, 3));
    p.setBrush(Paper);
    p.drawRect(QRectF(8, 6, 30, 52));
    p.setBrush(Folder);
    p.drawPolygon(QPolygonF() << QPointF(8, 6) << QPointF(26, 12) << QPointF(26, 60) << QPointF(8, 58));
    arrow(p, QPointF(32, 32), QPointF(60, 32), Stop);
}

void pin(QPainter& p)
{
    p.setPen(pen(Ink, 3));
    p.setBrush(QColor(0xd6, 0xe9, 0xd0));
    p.drawPolygon(QPolygonF() << QPointF(4, 46) << QPointF(22, 40) << QPointF(42, 46) << QPointF(60, 40)
                              << QPointF(60, 58) << QPointF(42, 62) << QPointF(22, 56) << QPointF(4, 62));
    QPainterPath marker;
    marker.moveTo(32, 54);
    marker.cubicTo(20, 38, 14, 30, 14, 22);
    marker.arcTo(QRectF(14, 4, 36, 36), 180, -180);
    marker.cubicTo(50, 30, 44, 38, 32, 54);
    p.setBrush(Stop);
    p.drawPath(marker);
    p.setBrush(Paper);
    p.drawEllipse(QPointF(32, 22), 7, 7);
}

void help(QPainter& p)
{
    p.setPen(pen(Ink, 3));
    p.setBrush(Accent);
    p.drawEllipse(QRectF(4, 4, 56, 56));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(42);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(4, 4, 56, 56), Qt::AlignCenter, QStringLiteral("?"));
}

// Traces as rows: horizontal bars; as columns: the same turned.
void listView(QPainter& p, bool columns)
{
    if (columns) {
        p.translate(Size / 2, Size / 2);
        p.rotate(90);
        p.translate(-Size / 2, -Size / 2);
    }
    p.setPen(pen(Ink, 3));
    p.setBrush(Paper);
    p.drawRect(QRectF(6, 8, 52, 48));
    p.setBrush(Accent);
    p.drawRect(QRectF(6, 8, 52, 11));
    p.setPen(pen(Ink, 2));
    for (int y = 30; y <= 50; y += 10)
        p.drawLine(QPointF(12, y), QPointF(52, y));
}

bool write(const QString& path, const std::function<void(QPainter&)>& draw, int size = Size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(qreal(size) / Size, qreal(size) / Size);
    draw(p);
    p.end();
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // The program's icon at one size, for the desktop's icon theme (built, not committed).
    if (argc == 4 && std::strcmp(argv[1], "--app-icon") == 0)
        return write(QString::fromLocal8Bit(argv[3]), appIcon, std::atoi(argv[2])) ? 0 : 1;
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons RESOURCES_DIRECTORY | --app-icon SIZE FILE\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    root.mkpath(QStringLiteral("icons"));
    const QString icons = root.filePath(QStringLiteral("icons/"));
    const std::pair<QString, std::function<void(QPainter&)>> drawings[] = {
        {root.filePath(QStringLiteral("icon.png")), appIcon},
        {icons + QStringLiteral("OpenFolder_64x.png"), [](QPainter& p) { folder(p, true); }},
        {icons + QStringLiteral("OpenfileDialog_16x.png"), [](QPainter& p) { folder(p, true); }},
        {icons + QStringLiteral("Save_64x.png"), saveIcon},
        {icons + QStringLiteral("ImportFile_16x.png"),
         [](QPainter& p) {
             document(p, QRectF(22, 4, 36, 48));
             arrow(p, QPointF(4, 40), QPointF(36, 40), Go);
         }},
        {icons + QStringLiteral("ExportFile_16x.png"),
         [](QPainter& p) {
             document(p, QRectF(6, 4, 36, 48));
             arrow(p, QPointF(26, 40), QPointF(60, 40), Accent);
         }},
        {icons + QStringLiteral("Exit_16x.png"), exitIcon},
        {icons + QStringLiteral("GeoLocation_64x.png"), pin},
        {icons + QStringLiteral("HelpApplication_48x.png"), help},
        {icons + QStringLiteral("Lock_48x.png"), [](QPainter& p) { lock(p, false); }},
        {icons + QStringLiteral("Unlock_exp_10x.png"), [](QPainter& p) { lock(p, true); }},
        {icons + QStringLiteral("CheckBox_48x.png"), [](QPainter& p) { checkBox(p, true); }},
        {icons + QStringLiteral("CheckboxUncheck_48x.png"), [](QPainter& p) { checkBox(p, false); }},
        {icons + QStringLiteral("list-view.png"), [](QPainter& p) { listView(p, false); }},
        {icons + QStringLiteral("list-view90.png"), [](QPainter& p) { listView(p, true); }},
    };
    bool ok = true;
    for (const auto& drawing : drawings)
        ok = write(drawing.first, drawing.second) && ok;
    return ok ? 0 : 1;
}
