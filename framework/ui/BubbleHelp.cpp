#include "BubbleHelp.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QToolTip>

namespace {

class ToolTipFilter : public QObject {
public:
    bool enabled = true;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!enabled && event->type() == QEvent::ToolTip) return true;
        return QObject::eventFilter(watched, event);
    }
};

QPointer<ToolTipFilter> filter;
bool toolTipsEnabled = true;

}  // namespace

void setApplicationToolTipsEnabled(bool enabled) {
    toolTipsEnabled = enabled;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    if (!filter) {
        filter = new ToolTipFilter;
        filter->setParent(app);
        app->installEventFilter(filter);
    }
    filter->enabled = enabled;
    if (!enabled) QToolTip::hideText();
}

bool applicationToolTipsEnabled() { return toolTipsEnabled; }
