#include "SelectableText.h"

#include <QEvent>
#include <QLabel>

namespace {

// Waits on the label for the mouse, then makes it selectable and goes away.
class SelectOnDemand : public QObject {
public:
    explicit SelectOnDemand(QLabel* label) : QObject(label) { label->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Enter:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::ContextMenu: {
            // The event then goes on to the label, which handles it as a selectable one.
            auto* label = static_cast<QLabel*>(watched);
            label->removeEventFilter(this);
            label->setTextInteractionFlags(label->textInteractionFlags() | Qt::TextSelectableByMouse);
            deleteLater();
            break;
        }
        default: break;
        }
        return false;
    }
};

}  // namespace

void selectableByMouse(QLabel* label) { new SelectOnDemand(label); }
