#pragma once
// The suspension program's pictures, painted at run time like the framework's: the vehicle
// scheme beside the values, the two connection pictures of the status line and the tool-bar
// glyphs.

#include "MenuCommands.h"

#include <QIcon>
#include <QPixmap>

// A bus seen from above with its two axles, the level sensors and the bellows, 260 x 200 pixels.
QPixmap vehicleSchemePicture();

// The connection picture of the status line (img_Status): index 0 not connected, 1 connected;
// 16 x 16 pixels. Any other index gives the picture of 0.
QPixmap connectionStatusPicture(int index);

// The glyph of the tool button that runs this command, 32 x 32 pixels; a null icon for a command
// without a tool button.
QIcon toolButtonIcon(MenuCommand command);
