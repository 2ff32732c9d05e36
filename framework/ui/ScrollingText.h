#pragma once
// A word-wrapped text that scrolls in its own area of a box: the box keeps the height its layout
// gives it, however long the text, and the other boxes keep theirs. The area has no frame and no
// background of its own, so the text stands on the box's background.

class QLabel;
class QScrollArea;
class QWidget;

// Puts the label into a new scroll area on parent (vertical scrolling only) and returns the area.
QScrollArea* scrollingText(QLabel* label, QWidget* parent, const char* objectName);
