#pragma once
// The framework's pictures, painted at run time: no image files to ship or to lose.

#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QString>

class QPainter;

// The splash picture: a bus on a road under the program's name, 447 x 345 pixels.
QPixmap splashPicture(const QString& programName);
// The picture of the error dialogs: a diagnostic interface with a warning sign, 96 x 96 pixels.
QPixmap errorPicture();
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
