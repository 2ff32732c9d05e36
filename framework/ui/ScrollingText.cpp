#include "ScrollingText.h"

#include <QFrame>
#include <QLabel>
#include <QScrollArea>

QScrollArea* scrollingText(QLabel* label, QWidget* parent, const char* objectName) {
    auto* area = new QScrollArea(parent);
    area->setObjectName(QString::fromLatin1(objectName));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Its height comes from the layout, never from the text.
    area->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    // A display, not a control: the window's first focus never lands here, so activating the
    // window repaints nothing. The wheel still scrolls it.
    area->setFocusPolicy(Qt::NoFocus);
    label->setWordWrap(true);
    area->setWidget(label);
    area->viewport()->setAutoFillBackground(false);
    label->setAutoFillBackground(false);
    return area;
}
