#pragma once
// Labels whose text the technician can select with the mouse and copy.

class QLabel;

// Makes the label's text selectable with the mouse as soon as the mouse reaches the label. A
// selectable label keeps a text document of its own; a window full of value labels would build
// them all at start-up, although most are never selected. It looks the same either way.
void selectableByMouse(QLabel* label);
