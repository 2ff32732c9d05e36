#pragma once
// Pieces the program's function windows share.

#include <QString>

class QLabel;
class QWidget;
class TNBasisDialog;

// The bold text in a framed panel that heads a window's content.
QLabel* headerLabel(const QString& text, QWidget* parent);

// A disabled edit shows in the menu colour, an enabled one in the window colour.
void useMenuColourWhenDisabled(QWidget* edit);

// A window that only shows: btn1 "&OK" closes it with 1, btn2 and btn3 are hidden.
void useOkButtonOnly(TNBasisDialog& dialog);
