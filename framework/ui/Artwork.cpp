#include "Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

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

}  // namespace

QPixmap splashPicture(const QString& programName) {
    QPixmap picture(447, 345);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, 250);
    sky.setColorAt(0, QColor(0x9c, 0xcb, 0xee));
    sky.setColorAt(1, QColor(0xee, 0xf6, 0xfc));
    p.fillRect(picture.rect(), sky);

    // Road.
    p.fillRect(QRectF(0, 250, 447, 95), QColor(0x5a, 0x5e, 0x63));
    p.setPen(QPen(QColor(0xf4, 0xf4, 0xf4), 4, Qt::DashLine));
    p.drawLine(QPointF(0, 312), QPointF(447, 312));

    paintBus(p, QRectF(58, 150, 330, 104));

    QFont title = p.font();
    title.setPointSize(20);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(0x14, 0x3c, 0x64));
    p.drawText(QRectF(10, 24, 427, 50), Qt::AlignCenter | Qt::TextWordWrap, programName);

    QFont subtitle = p.font();
    subtitle.setPointSize(11);
    subtitle.setBold(false);
    p.setFont(subtitle);
    p.drawText(QRectF(10, 80, 427, 30), Qt::AlignCenter, QStringLiteral("Air suspension diagnostics"));
    return picture;
}

QPixmap errorPicture() {
    QPixmap picture(96, 96);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);

    // The interface box with its cable.
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 2));
    p.setBrush(QColor(0xd8, 0xd8, 0xd8));
    p.drawRoundedRect(QRectF(6, 40, 58, 40), 6, 6);
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
    return picture;
}
