#include "Artwork.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <utility>

void drawPictureText(QPainter& p, const QRectF& box, int flags, const QString& text, qreal pixelSize,
                     bool bold) {
    QFont font = p.font();
    font.setBold(bold);
    const int own = QFontInfo(font).pixelSize();
    if (own <= 0) return;
    const qreal scale = pixelSize / own;
    p.save();
    p.setFont(font);
    p.translate(box.topLeft());
    p.scale(scale, scale);
    p.drawText(QRectF(0, 0, box.width() / scale, box.height() / scale), flags, text);
    p.restore();
}

namespace {

void paintBus(QPainter& p, const QRectF& body) {
    const QColor paint(0x1f, 0x5f, 0x9f);
    const QColor glass(0xcf, 0xe4, 0xf2);
    const QColor tyre(0x2b, 0x2b, 0x2b);

    // Body with a rounded front, the air-suspension bellows hinted by the gap above the wheels.
    QPainterPath shape;
    shape.addRoundedRect(body, 14, 14);
    p.setPen(QPen(paint.darker(140), 2));
    p.setBrush(paint);
    p.drawPath(shape);

    // Band of side windows and the windscreen.
    p.setPen(Qt::NoPen);
    p.setBrush(glass);
    const qreal windowTop = body.top() + 14;
    const qreal windowHeight = body.height() * 0.36;
    const qreal pane = (body.width() - 90) / 6.0;
    for (int i = 0; i < 6; ++i)
        p.drawRoundedRect(QRectF(body.left() + 14 + i * pane, windowTop, pane - 8, windowHeight), 4, 4);
    p.drawRoundedRect(QRectF(body.right() - 62, windowTop, 48, windowHeight + 16), 6, 6);

    // Door and a stripe.
    p.setBrush(paint.lighter(130));
    p.drawRect(QRectF(body.right() - 108, windowTop, 30, body.height() - 30));
    p.setBrush(QColor(0xf2, 0xb1, 0x34));
    p.drawRect(QRectF(body.left() + 4, body.bottom() - 34, body.width() - 8, 6));

    // Wheels.
    const qreal radius = body.height() * 0.2;
    for (qreal x : {body.left() + body.width() * 0.18, body.left() + body.width() * 0.80}) {
        const QPointF centre(x, body.bottom());
        p.setBrush(tyre);
        p.drawEllipse(centre, radius, radius);
        p.setBrush(QColor(0xb8, 0xb8, 0xb8));
        p.drawEllipse(centre, radius * 0.45, radius * 0.45);
    }
}

// A grey device of the pictures (an interface, a socket), outlined, with rounded corners.
void paintDevice(QPainter& p, const QRectF& body, qreal radius) {
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 2));
    p.setBrush(QColor(0xd8, 0xd8, 0xd8));
    p.drawRoundedRect(body, radius, radius);
}

}  // namespace

PictureView::PictureView(Picture picture, QWidget* parent) : QWidget(parent), picture_(std::move(picture)) {
    setFixedSize(picture_.size);
    setAttribute(Qt::WA_OpaquePaintEvent, picture_.opaque);
}

void PictureView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    picture_.paint(painter);
}

namespace {

void paintSplash(QPainter& p, const QString& programName) {
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, 250);
    sky.setColorAt(0, QColor(0x9c, 0xcb, 0xee));
    sky.setColorAt(1, QColor(0xee, 0xf6, 0xfc));
    p.fillRect(QRectF(0, 0, 447, 250), sky);

    // Road.
    p.fillRect(QRectF(0, 250, 447, 95), QColor(0x5a, 0x5e, 0x63));
    p.setPen(QPen(QColor(0xf4, 0xf4, 0xf4), 4, Qt::DashLine));
    p.drawLine(QPointF(0, 312), QPointF(447, 312));

    paintBus(p, QRectF(58, 150, 330, 104));

    // 20 and 11 points on a 96-dpi screen.
    constexpr qreal kTitlePixels = 20 * 96 / 72.0;
    constexpr qreal kSubtitlePixels = 11 * 96 / 72.0;
    p.setPen(QColor(0x14, 0x3c, 0x64));
    drawPictureText(p, QRectF(10, 24, 427, 50), Qt::AlignCenter | Qt::TextWordWrap, programName, kTitlePixels,
                    true);
    drawPictureText(p, QRectF(10, 80, 427, 30), Qt::AlignCenter, QStringLiteral("Air suspension diagnostics"),
                    kSubtitlePixels, false);
}

void paintError(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);

    // The interface box with its cable.
    paintDevice(p, QRectF(6, 40, 58, 40), 6);
    p.setBrush(QColor(0x3c, 0xb0, 0x4a));
    p.drawEllipse(QPointF(18, 52), 4, 4);
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 3));
    p.drawLine(QPointF(35, 80), QPointF(35, 92));

    // Warning sign over the corner.
    QPolygonF triangle;
    triangle << QPointF(66, 8) << QPointF(94, 58) << QPointF(38, 58);
    p.setPen(QPen(QColor(0x8a, 0x1c, 0x1c), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0xe0, 0x3a, 0x2e));
    p.drawPolygon(triangle);
    p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(66, 24), QPointF(66, 41));
    p.drawPoint(QPointF(66, 50));
}

}  // namespace

Picture splashPicture(const QString& programName) {
    return {QSize(447, 345), [programName](QPainter& p) { paintSplash(p, programName); }, true};
}

Picture errorPicture() { return {QSize(96, 96), paintError}; }

void paintReportLogo(QPainter& p, const QRectF& box) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(box.topLeft());
    p.scale(box.width() / 193.0, box.height() / 33.0);

    // A blue badge with a stylised air bellows (three stacked rings) and the program's trade.
    const QColor blue(0x1f, 0x5f, 0x9f);
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawRoundedRect(QRectF(0, 0, 44, 33), 5, 5);
    p.setBrush(Qt::white);
    for (int i = 0; i < 3; ++i) p.drawRoundedRect(QRectF(8, 5 + i * 8.5, 28, 6), 3, 3);

    QFont name(QStringLiteral("DejaVu Sans"));
    name.setPixelSize(17);
    name.setBold(true);
    p.setFont(name);
    p.setPen(blue);
    p.drawText(QRectF(50, 0, 143, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Air suspension"));
    QFont line = name;
    line.setPixelSize(8);
    line.setBold(false);
    p.setFont(line);
    p.setPen(QColor(0x40, 0x40, 0x40));
    p.drawText(QRectF(50, 23, 143, 10), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Diagnostics and calibration"));
    p.restore();
}

namespace {

// A sheet of paper with a folded corner, the base of the zoom glyphs.
void paintSheet(QPainter& p, const QRectF& r) {
    QPolygonF sheet;
    sheet << r.topLeft() << QPointF(r.right() - 6, r.top()) << QPointF(r.right(), r.top() + 6)
          << r.bottomRight() << r.bottomLeft();
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1.5));
    p.setBrush(Qt::white);
    p.drawPolygon(sheet);
    p.setPen(QPen(QColor(0x9a, 0x9a, 0x9a), 1.5));
    for (qreal y = r.top() + 8; y < r.bottom() - 3; y += 4)
        p.drawLine(QPointF(r.left() + 4, y), QPointF(r.right() - 4, y));
}

// An arrow head pointing left (direction -1) or right (+1), with a bar for first/last.
void paintPageArrow(QPainter& p, int direction, bool bar) {
    const qreal tip = direction < 0 ? 8 : 24;
    const qreal back = direction < 0 ? 22 : 10;
    QPolygonF head;
    head << QPointF(tip, 16) << QPointF(back, 6) << QPointF(back, 26);
    p.setPen(QPen(QColor(0x14, 0x3c, 0x64), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0x2f, 0x7f, 0xc8));
    p.drawPolygon(head);
    if (bar) p.drawRect(QRectF(direction < 0 ? 4 : 25, 6, 3, 20));
}

void paintPrinter(QPainter& p) {
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 3, 14, 10));  // paper in
    p.setBrush(QColor(0xb8, 0xbe, 0xc6));
    p.drawRoundedRect(QRectF(3, 12, 26, 12), 3, 3);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 20, 16, 9));  // paper out
    p.setBrush(QColor(0x3c, 0xb0, 0x4a));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(24, 16), 1.8, 1.8);
}

}  // namespace

QIcon previewToolIcon(PreviewTool tool) {
    QPixmap glyph(32, 32);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    p.setRenderHint(QPainter::Antialiasing);
    switch (tool) {
    case PreviewTool::FullPage:
        paintSheet(p, QRectF(8, 3, 16, 26));
        break;
    case PreviewTool::OriginalSize: {
        paintSheet(p, QRectF(4, 3, 24, 26));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6, 10, 20, 14));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(10);
        font.setBold(true);
        p.setFont(font);
        p.setPen(QColor(0x14, 0x3c, 0x64));
        p.drawText(QRectF(4, 10, 24, 14), Qt::AlignCenter, QStringLiteral("1:1"));
        break;
    }
    case PreviewTool::PageWidth:
        paintSheet(p, QRectF(2, 5, 28, 24));
        p.setPen(QPen(QColor(0x2f, 0x7f, 0xc8), 2));
        p.drawLine(QPointF(3, 2), QPointF(29, 2));
        break;
    case PreviewTool::FirstPage: paintPageArrow(p, -1, true); break;
    case PreviewTool::PreviousPage: paintPageArrow(p, -1, false); break;
    case PreviewTool::NextPage: paintPageArrow(p, +1, false); break;
    case PreviewTool::LastPage: paintPageArrow(p, +1, true); break;
    case PreviewTool::PrinterSetup:
        paintPrinter(p);
        p.setPen(QPen(QColor(0x14, 0x3c, 0x64), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(20, 30), QPointF(30, 20));  // a screwdriver over the printer
        break;
    case PreviewTool::Print: paintPrinter(p); break;
    case PreviewTool::Exit:
        p.setPen(QPen(QColor(0xb0, 0x20, 0x20), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 8), QPointF(24, 24));
        p.drawLine(QPointF(24, 8), QPointF(8, 24));
        break;
    }
    p.end();
    return QIcon(glyph);
}

QPixmap diagnosticLinePicture(int line) {
    QPixmap picture(96, 96);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);

    // The vehicle's diagnostic socket with its pins; the line's pins are lit.
    paintDevice(p, QRectF(8, 8, 80, 52), 10);
    for (int pin = 0; pin < 4; ++pin) {
        const bool lit = line == 1 ? pin == 0 : pin >= 2;
        p.setBrush(lit ? QColor(0x3c, 0xb0, 0x4a) : QColor(0x70, 0x70, 0x70));
        p.drawEllipse(QPointF(22 + pin * 17, 34), 5, 5);
    }
    p.setPen(QColor(0x20, 0x20, 0x20));
    QFont font = p.font();
    font.setPixelSize(18);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(0, 64, 96, 28), Qt::AlignCenter,
               line == 1 ? QStringLiteral("K-Line") : QStringLiteral("CAN"));
    return picture;
}

// The program's picture: its name on a blue plate with a stylised air-spring bellows.
QPixmap programPicture(const QString& name) {
    QPixmap picture(96, 96);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient plate(0, 0, 0, 96);
    plate.setColorAt(0, QColor(40, 90, 160));
    plate.setColorAt(1, QColor(15, 45, 95));
    p.setBrush(plate);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(2, 2, 92, 92), 12, 12);
    p.setBrush(QColor(230, 230, 235));
    for (int i = 0; i < 3; ++i) p.drawEllipse(QRectF(24, 16 + i * 14, 48, 16));
    p.drawRect(QRectF(44, 58, 8, 10));
    p.setPen(Qt::white);
    // The whole name, on up to two lines, in the largest size that fits the plate.
    const QRect area(4, 66, 88, 28);
    const int flags = Qt::AlignCenter | Qt::TextWordWrap;
    QFont font = p.font();
    font.setBold(true);
    for (int size = 13; size >= 6; --size) {
        font.setPixelSize(size);
        const QRect needed = QFontMetrics(font).boundingRect(area, flags, name);
        if (needed.height() <= area.height() && needed.width() <= area.width()) break;
    }
    p.setFont(font);
    p.drawText(area, flags, name);
    return picture;
}

// The framework's mark: two interlocking rings.
QPixmap frameworkPicture() {
    QPixmap picture(96, 48);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(15, 45, 95), 6));
    p.drawEllipse(QRectF(14, 8, 36, 32));
    p.setPen(QPen(QColor(200, 60, 40), 6));
    p.drawEllipse(QRectF(46, 8, 36, 32));
    return picture;
}

QIcon saveFileIcon() {
    QPixmap glyph(32, 32);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    p.setRenderHint(QPainter::Antialiasing);
    QPolygonF disk;
    disk << QPointF(4, 4) << QPointF(24, 4) << QPointF(28, 8) << QPointF(28, 28) << QPointF(4, 28);
    p.setPen(QPen(QColor(0x14, 0x3c, 0x64), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0x2f, 0x7f, 0xc8));
    p.drawPolygon(disk);
    p.setBrush(QColor(0xd8, 0xdc, 0xe2));
    p.drawRect(QRectF(9, 4, 13, 8));  // the shutter
    p.setBrush(QColor(0x14, 0x3c, 0x64));
    p.drawRect(QRectF(17, 5.5, 3, 5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 16, 16, 12));  // the label
    p.setPen(QPen(QColor(0x9a, 0x9a, 0x9a), 1.2));
    for (qreal y = 20; y < 27; y += 3) p.drawLine(QPointF(10, y), QPointF(22, y));
    p.end();
    return QIcon(glyph);
}
