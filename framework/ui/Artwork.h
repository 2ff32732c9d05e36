#pragma once
// The framework's pictures, painted at run time: no image files to ship or to lose.

#include <QPixmap>
#include <QString>

// The splash picture: a bus on a road under the program's name, 447 x 345 pixels.
QPixmap splashPicture(const QString& programName);
// The picture of the error dialogs: a diagnostic interface with a warning sign, 96 x 96 pixels.
QPixmap errorPicture();
