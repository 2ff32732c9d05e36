#include "HourglassCursor.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <utility>

// Where on the screen windows were hidden: an application-wide filter, so every dialog, menu and
// box counts, whoever closes it.
class HourglassCursor::HiddenWindows final : public QObject {
public:
    HiddenWindows() : application_(QCoreApplication::instance()) {
        if (application_) application_->installEventFilter(this);
    }
    ~HiddenWindows() override {
        if (application_) application_->removeEventFilter(this);
    }

    // False before the application was made, or for one made anew since: hides went unseen.
    bool watching() const { return application_ && application_ == QCoreApplication::instance(); }

    QRegion take() { return std::exchange(area_, QRegion()); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Hide || !watched->isWidgetType()) return false;
        const auto* widget = static_cast<const QWidget*>(watched);
        if (!widget->isWindow()) return false;
        area_ += widget->frameGeometry();
        // Many small windows (tool tips) between two pushes: their outline serves as well.
        if (area_.rectCount() > kMostRects) area_ = area_.boundingRect();
        return false;
    }

private:
    static constexpr int kMostRects = 16;
    QPointer<QCoreApplication> application_;
    QRegion area_;
};

HourglassCursor::HourglassCursor() : hidden_(std::make_unique<HiddenWindows>()) {}

HourglassCursor::~HourglassCursor() = default;

void HourglassCursor::push() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (depth_++ != 0) return;
    const bool tracked = hidden_->watching();
    const QRegion uncovered = tracked ? hidden_->take() : QRegion();
    if (!tracked) hidden_ = std::make_unique<HiddenWindows>();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible()) continue;
        // Hides not seen: the whole window, as nothing tells what was uncovered.
        if (!tracked) {
            window->repaint();
            continue;
        }
        const QRegion local = uncovered.translated(-window->mapToGlobal(QPoint(0, 0))) & window->rect();
        // A repaint paints what is marked besides; the update request left over then finds nothing.
        if (!local.isEmpty()) window->repaint(local);
        QCoreApplication::sendPostedEvents(window, QEvent::UpdateRequest);
    }
}

void HourglassCursor::pop() {
    if (depth_ > 0) --depth_;
    QApplication::restoreOverrideCursor();
}

HourglassCursor& HourglassCursor::application() {
    static HourglassCursor cursor;
    return cursor;
}

NormalCursorWhileAsking::NormalCursorWhileAsking() {
    if (!QApplication::overrideCursor()) return;
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    overridden_ = true;
}

NormalCursorWhileAsking::~NormalCursorWhileAsking() {
    if (overridden_) QApplication::restoreOverrideCursor();
}
