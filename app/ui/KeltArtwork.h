#pragma once
// The suspension program's pictures, painted at run time like the framework's: the vehicle
// scheme beside the values, the two connection pictures of the status line, the switch states,
// the tool-bar glyphs and the pictures of the actuator tests.

#include "Artwork.h"
#include "MenuCommands.h"

#include <QIcon>
#include <QPixmap>

// A bus seen from above with its two axles, the level sensors and the bellows, 260 x 200 pixels.
Picture vehicleSchemePicture();

// The connection picture of the status line (img_Status): index 0 not connected, 1 connected;
// 16 x 16 pixels. Any other index gives the picture of 0.
QPixmap connectionStatusPicture(int index);

// A switch state of the switch-positions window (ilSchalter), 80 x 60 pixels: 0 a two-state
// contact open, 1 closed; 2, 3 and 4 a three-state switch in its middle, first and second
// position; 5 the undefined state. Any other index gives the picture of 5.
QPixmap switchStatePicture(int index);

// The glyph of the tool button that runs this command, 32 x 32 pixels; a null icon for a command
// without a tool button.
QIcon toolButtonIcon(MenuCommand command);

// The lamp of the lamp test, 96 x 96 pixels: lit (imgWarnlampeAn) or dark (imgWarnlampeAus).
QPixmap warningLampPicture(bool lit);

// What an actuator test's button drives.
enum class ActuatorGlyph { Throttle, Output, Valve };

// The glyphs of an actuator test's button, 32 x 32 pixels: released (QIcon::Off) and driven
// (QIcon::On), each also in the disabled look.
QIcon actuatorButtonIcon(ActuatorGlyph glyph);
