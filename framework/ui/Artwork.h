#pragma once
// The framework's pictures, painted at run time: no image files to ship or to lose.

#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>

class QPainter;

// A picture of its own size, painted from the painter's origin.
struct Picture {
    QSize size;
    std::function<void(QPainter&)> paint;
    // It covers its whole rectangle: nothing behind it needs painting.
    bool opaque = false;
};

// Shows a picture painted straight into the window whenever that is painted. Unlike a label with
// a pixmap it keeps no image of its own, and at start-up every fresh page of memory costs more
// than painting the picture once.
class PictureView : public QWidget {
public:
    explicit PictureView(Picture picture, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Picture picture_;
};

// Draws a picture's text at the given pixel size: the painter's own font (bold or not), scaled.
// A font size of its own would load a font of its own, which at start-up costs more than the
// rest of the picture.
void drawPictureText(QPainter& painter, const QRectF& box, int flags, const QString& text, qreal pixelSize,
                     bool bold);

// The splash picture: a bus on a road under the program's name, 447 x 345 pixels.
Picture splashPicture(const QString& programName);
// The picture of the error dialogs: a diagnostic interface with a warning sign, 96 x 96 pixels.
Picture errorPicture();
// The picture of a diagnostic line (1 K-Line, 2 CAN) for its selection button, 96 x 96 pixels.
QPixmap diagnosticLinePicture(int line);
// The information window's pictures: the program's whole name on a blue plate with an
// air-spring bellows, 96 x 96 pixels; the framework's mark, 96 x 48 pixels.
QPixmap programPicture(const QString& name);
QPixmap frameworkPicture();

// The logo at the head of the printed protocols, painted into the box (193 x 33 in the
// fault-memory protocol); vector drawing, so it stays sharp on paper.
void paintReportLogo(QPainter& painter, const QRectF& box);

// The glyphs of the print preview's tool bar, 32 x 32 pixels.
enum class PreviewTool {
    FullPage,
    OriginalSize,
    PageWidth,
    FirstPage,
    PreviousPage,
    NextPage,
    LastPage,
    PrinterSetup,
    Print,
    Exit,
};
QIcon previewToolIcon(PreviewTool tool);

// The glyph of a save button: a diskette, 32 x 32 pixels (the print buttons use
// previewToolIcon(PreviewTool::Print)).
QIcon saveFileIcon();
