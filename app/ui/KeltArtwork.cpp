#include "KeltArtwork.h"

#include <algorithm>
#include <cmath>

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPolygonF>

namespace {

const QColor kOutline(40, 40, 40);
const QColor kBody(235, 235, 225);
const QColor kAir(70, 130, 200);
const QColor kGo(30, 150, 60);
const QColor kStop(200, 40, 40);
const QColor kAmber(230, 160, 20);

QPixmap transparentPixmap(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void drawArrow(QPainter& p, QPointF from, QPointF to, qreal head) {
    p.drawLine(from, to);
    const QPointF d = to - from;
    const qreal length = std::max<qreal>(1.0, std::hypot(d.x(), d.y()));
    const QPointF u = d / length;
    const QPointF n(-u.y(), u.x());
    QPolygonF tip;
    tip << to << to - u * head + n * head * 0.6 << to - u * head - n * head * 0.6;
    p.setBrush(p.pen().color());
    p.drawPolygon(tip);
}

void drawBellows(QPainter& p, const QRectF& r) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kAir);
    p.drawRoundedRect(r, 3, 3);
    p.setPen(QPen(kBody, 1));
    p.drawLine(QPointF(r.left() + 2, r.center().y()), QPointF(r.right() - 2, r.center().y()));
}

void drawSensor(QPainter& p, QPointF at) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kAmber);
    p.drawEllipse(at, 5, 5);
}

// The glyph painter of one tool button, on a 32 x 32 canvas.
void paintGlyph(QPainter& p, MenuCommand command) {
    p.setRenderHint(QPainter::Antialiasing);
    switch (command) {
    case MenuCommand::DiagnoseStarten: {
        p.setPen(QPen(kOutline, 1));
        p.setBrush(kGo);
        p.drawPolygon(QPolygonF({QPointF(8, 5), QPointF(27, 16), QPointF(8, 27)}));
        break;
    }
    case MenuCommand::DiagnoseUnterbrechen:
        p.setPen(QPen(kOutline, 1));
        p.setBrush(kStop);
        p.drawRect(QRectF(7, 7, 18, 18));
        break;
    case MenuCommand::ECUNeustart: {
        p.setPen(QPen(kGo, 3));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(6, 6, 20, 20), 60 * 16, 290 * 16);
        p.setPen(QPen(kGo, 1));
        p.setBrush(kGo);
        p.drawPolygon(QPolygonF({QPointF(20, 2), QPointF(27, 9), QPointF(18, 11)}));
        break;
    }
    case MenuCommand::Fehlersuche: {
        p.setPen(QPen(kOutline, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6, 3, 20, 26));
        p.setPen(QPen(Qt::gray, 2));
        for (int y = 9; y <= 21; y += 6) p.drawLine(10, y, 22, y);
        p.setPen(QPen(kStop, 3));
        p.drawLine(QPointF(24, 14), QPointF(24, 24));
        p.drawPoint(QPointF(24, 28));
        break;
    }
    case MenuCommand::HebenSenken: {
        p.setPen(QPen(kAir, 3));
        drawArrow(p, QPointF(10, 26), QPointF(10, 6), 6);
        p.setPen(QPen(kAir, 3));
        drawArrow(p, QPointF(22, 6), QPointF(22, 26), 6);
        break;
    }
    case MenuCommand::MesswerteAnzeigen: {
        p.setPen(QPen(kOutline, 2));
        p.setBrush(Qt::white);
        p.drawPie(QRectF(3, 6, 26, 26), 0, 180 * 16);
        p.setPen(QPen(kStop, 2));
        p.drawLine(QPointF(16, 19), QPointF(24, 11));
        break;
    }
    case MenuCommand::Schalterstellungen: {
        p.setPen(QPen(kOutline, 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(4, 10, 24, 12), 6, 6);
        p.setBrush(kGo);
        p.drawEllipse(QRectF(17, 11, 10, 10));
        break;
    }
    case MenuCommand::Parameter: {
        p.setPen(QPen(kOutline, 1));
        p.setBrush(Qt::gray);
        for (int i = 0; i < 8; ++i) {
            p.save();
            p.translate(16, 16);
            p.rotate(i * 45.0);
            p.drawRect(QRectF(-2.5, -14, 5, 6));
            p.restore();
        }
        p.drawEllipse(QPointF(16, 16), 9, 9);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(16, 16), 3.5, 3.5);
        break;
    }
    case MenuCommand::KalibrierenWegsensoren: {
        p.setPen(QPen(kOutline, 1));
        p.setBrush(kAmber);
        p.drawRect(QRectF(4, 3, 9, 26));
        p.setPen(QPen(kOutline, 1));
        for (int y = 6; y < 28; y += 4) p.drawLine(4, y, y % 8 == 6 ? 10 : 8, y);
        p.setPen(QPen(kAir, 2));
        drawArrow(p, QPointF(22, 16), QPointF(22, 4), 5);
        p.setPen(QPen(kAir, 2));
        drawArrow(p, QPointF(22, 16), QPointF(22, 28), 5);
        break;
    }
    case MenuCommand::KalibrierenDrucksensoren: {
        p.setPen(QPen(kOutline, 2));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(3, 3, 26, 26));
        p.setPen(kAir);
        drawPictureText(p, QRectF(3, 3, 26, 26), Qt::AlignCenter, QStringLiteral("P"), 16, true);
        break;
    }
    default: break;
    }
}

// One actuator glyph on a 32 x 32 canvas, in colour when driven, grey when released and
// paler still when disabled.
QPixmap actuatorGlyph(ActuatorGlyph glyph, bool driven, bool enabled) {
    QPixmap picture = transparentPixmap(32, 32);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor line = enabled ? kOutline : QColor(160, 160, 160);
    const QColor fill = !enabled ? QColor(225, 225, 225) : driven ? kGo : QColor(200, 200, 200);
    p.setPen(QPen(line, 1.5));
    p.setBrush(fill);
    switch (glyph) {
    case ActuatorGlyph::Throttle:
        // A pipe with the throttle flap, open across the flow when driven.
        p.drawRect(QRectF(3, 11, 26, 10));
        p.setPen(QPen(line, 3));
        if (driven)
            p.drawLine(QPointF(16, 12), QPointF(16, 20));
        else
            p.drawLine(QPointF(10, 16), QPointF(22, 16));
        break;
    case ActuatorGlyph::Output:
        // A switch contact, closed when driven.
        p.drawEllipse(QPointF(7, 22), 3, 3);
        p.drawEllipse(QPointF(25, 22), 3, 3);
        p.setPen(QPen(line, 2.5));
        p.drawLine(QPointF(9, 20), driven ? QPointF(23, 20) : QPointF(22, 8));
        break;
    case ActuatorGlyph::Valve:
        // A valve body with its two cones, the way open when driven.
        p.drawPolygon(QPolygonF({QPointF(4, 8), QPointF(16, 16), QPointF(4, 24)}));
        p.drawPolygon(QPolygonF({QPointF(28, 8), QPointF(16, 16), QPointF(28, 24)}));
        p.setPen(QPen(driven && enabled ? kAir : line, 2));
        p.drawLine(QPointF(16, 16), QPointF(16, 4));
        break;
    }
    return picture;
}

void paintVehicleScheme(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);

    // The body, front to the left.
    const QRectF body(20, 50, 220, 100);
    p.setPen(QPen(kOutline, 2));
    p.setBrush(kBody);
    p.drawRoundedRect(body, 14, 14);
    p.setBrush(QColor(170, 200, 230));
    p.drawRoundedRect(QRectF(24, 60, 14, 80), 4, 4);  // windscreen

    // Axles with their wheels; the front axle has one sensor, the rear axle one each side.
    const qreal frontX = 70;
    const qreal rearX = 190;
    for (qreal x : {frontX, rearX}) {
        p.setPen(QPen(kOutline, 3));
        p.drawLine(QPointF(x, 40), QPointF(x, 160));
        p.setPen(QPen(kOutline, 1));
        p.setBrush(QColor(60, 60, 60));
        p.drawRoundedRect(QRectF(x - 14, 30, 28, 14), 3, 3);
        p.drawRoundedRect(QRectF(x - 14, 156, 28, 14), 3, 3);
        drawBellows(p, QRectF(x - 20, 56, 14, 18));
        drawBellows(p, QRectF(x - 20, 126, 14, 18));
    }
    drawSensor(p, QPointF(frontX + 12, 100));
    drawSensor(p, QPointF(rearX + 12, 66));
    drawSensor(p, QPointF(rearX + 12, 134));

    // The ECU in the middle with its lines to the valves.
    const QRectF ecu(112, 86, 36, 28);
    p.setPen(QPen(kAir, 1, Qt::DashLine));
    p.drawLine(ecu.center(), QPointF(frontX, 100));
    p.drawLine(ecu.center(), QPointF(rearX, 100));
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(90, 90, 110));
    p.drawRect(ecu);
    p.setPen(Qt::white);
    drawPictureText(p, ecu, Qt::AlignCenter, QStringLiteral("ECU"), 10, true);

    // The direction of travel.
    p.setPen(QPen(kOutline, 2));
    drawArrow(p, QPointF(60, 188), QPointF(20, 188), 7);
}

}  // namespace

QPixmap warningLampPicture(bool lit) {
    QPixmap picture = transparentPixmap(96, 96);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(48, 44);
    if (lit) {
        // The rays of the lit lamp.
        p.setPen(QPen(kAmber, 3, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 8; ++i) {
            const qreal a = i * 3.14159265 / 4;
            const QPointF d(std::cos(a), std::sin(a));
            p.drawLine(centre + d * 30, centre + d * 40);
        }
    }
    p.setPen(QPen(kOutline, 2));
    p.setBrush(lit ? QColor(255, 200, 40) : QColor(110, 110, 110));
    p.drawEllipse(centre, 24, 24);
    // The warning sign on the glass and the socket below.
    p.setPen(QPen(lit ? kOutline : QColor(70, 70, 70), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(48, 32), QPointF(48, 48));
    p.drawPoint(QPointF(48, 56));
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(80, 80, 80));
    p.drawRect(QRectF(38, 70, 20, 14));
    return picture;
}

QIcon actuatorButtonIcon(ActuatorGlyph glyph) {
    QIcon icon;
    for (bool driven : {false, true}) {
        const QIcon::State state = driven ? QIcon::On : QIcon::Off;
        icon.addPixmap(actuatorGlyph(glyph, driven, true), QIcon::Normal, state);
        icon.addPixmap(actuatorGlyph(glyph, driven, false), QIcon::Disabled, state);
    }
    return icon;
}

Picture vehicleSchemePicture() { return {QSize(260, 200), paintVehicleScheme}; }

QPixmap connectionStatusPicture(int index) {
    QPixmap picture = transparentPixmap(16, 16);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const bool connected = index == 1;
    // Two plug halves: joined when connected, apart and red when not.
    const qreal gap = connected ? 0 : 3;
    p.setPen(QPen(kOutline, 1));
    p.setBrush(connected ? kGo : kStop);
    p.drawRect(QRectF(1, 5, 6 - gap / 2, 6));
    p.drawRect(QRectF(9 + gap / 2, 5, 6 - gap / 2, 6));
    p.setPen(QPen(kOutline, 1));
    p.drawLine(QPointF(0, 8), QPointF(1, 8));
    p.drawLine(QPointF(15, 8), QPointF(16, 8));
    if (connected) p.drawLine(QPointF(7, 8), QPointF(9, 8));
    return picture;
}

QPixmap switchStatePicture(int index) {
    QPixmap picture = transparentPixmap(80, 60);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF pivot(16, 40);
    auto terminal = [&p](QPointF at, const QColor& colour) {
        p.setPen(QPen(kOutline, 1));
        p.setBrush(colour);
        p.drawEllipse(at, 5, 5);
    };
    auto lever = [&p, pivot](QPointF to, const QColor& colour) {
        p.setPen(QPen(colour, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(pivot, to);
    };
    p.setPen(QPen(kOutline, 2));
    p.drawLine(QPointF(2, 40), pivot);
    switch (index) {
    case 0:  // open: the lever lifted off its contact
        p.drawLine(QPointF(64, 40), QPointF(78, 40));
        terminal(QPointF(64, 40), Qt::white);
        lever(QPointF(58, 14), kOutline);
        terminal(pivot, Qt::white);
        break;
    case 1:  // closed: the lever on its contact, current flows
        p.setPen(QPen(kGo, 2));
        p.drawLine(QPointF(64, 40), QPointF(78, 40));
        terminal(QPointF(64, 40), kGo);
        lever(QPointF(64, 40), kGo);
        terminal(pivot, kGo);
        break;
    case 2:
    case 3:
    case 4: {  // three contacts; the lever on the middle, upper or lower one
        const QPointF contacts[] = {QPointF(64, 40), QPointF(60, 12), QPointF(60, 56)};
        const QPointF& on = contacts[index - 2];
        p.setPen(QPen(kOutline, 2));
        for (const QPointF& c : contacts) p.drawLine(c, QPointF(78, c.y()));
        for (const QPointF& c : contacts) terminal(c, &c == &on ? kGo : Qt::white);
        lever(on, kGo);
        terminal(pivot, kGo);
        break;
    }
    default: {  // undefined: a question mark over a greyed switch
        p.setPen(QPen(Qt::gray, 2));
        p.drawLine(QPointF(64, 40), QPointF(78, 40));
        terminal(QPointF(64, 40), Qt::lightGray);
        lever(QPointF(60, 26), Qt::gray);
        terminal(pivot, Qt::lightGray);
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(30);
        p.setFont(font);
        p.setPen(kAmber);
        p.drawText(QRectF(24, 0, 40, 40), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    }
    return picture;
}

QIcon toolButtonIcon(MenuCommand command) {
    switch (command) {
    case MenuCommand::DiagnoseStarten:
    case MenuCommand::DiagnoseUnterbrechen:
    case MenuCommand::ECUNeustart:
    case MenuCommand::Fehlersuche:
    case MenuCommand::HebenSenken:
    case MenuCommand::MesswerteAnzeigen:
    case MenuCommand::Schalterstellungen:
    case MenuCommand::Parameter:
    case MenuCommand::KalibrierenWegsensoren:
    case MenuCommand::KalibrierenDrucksensoren: {
        QPixmap glyph = transparentPixmap(32, 32);
        QPainter p(&glyph);
        paintGlyph(p, command);
        p.end();
        return QIcon(glyph);
    }
    default: return {};
    }
}
