#pragma once
// A small borderless window with one line of information, shown around long transfers. There
// is at most one; it is not modal and takes no input.

#include <string>

class QWidget;

// Shows the popup with the text (Windows-1252) centred on the screen and lets it paint; does
// nothing while a popup is shown.
void InfoPopupZeigen(const std::string& text);
// Closes and destroys the popup; harmless when none is shown.
void InfoPopupSchliessen();

// The popup while it is shown, else null.
QWidget* infoPopupWindow();
