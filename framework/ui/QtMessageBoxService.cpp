#include "QtMessageBoxService.h"

#include "HourglassCursor.h"
#include "TextCodec.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGridLayout>
#include <QScreen>
#include <QSpacerItem>

#include <algorithm>

namespace {

QMessageBox::Icon iconOf(unsigned flags) {
    switch (flags & MB_ICONMASK) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// The buttons of a set and the one that stands for closing the box without a button.
struct ButtonSet {
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton escape;
};

ButtonSet buttonsOf(unsigned flags) {
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel};
    case MB_YESNO: return {QMessageBox::Yes | QMessageBox::No, QMessageBox::No};
    default: return {QMessageBox::Ok, QMessageBox::Ok};
    }
}

// The title bar shows the caption beside the window icon and the frame buttons; QMessageBox
// sizes itself by its text alone, so a short text cut the application title.
constexpr int kTitleBarRoom = 160;

int captionWidth(const QMessageBox& box) {
    QFont font = box.font();
    font.setBold(true);  // window managers mostly write titles bold
    int width = QFontMetrics(font).horizontalAdvance(box.windowTitle()) + kTitleBarRoom;
    if (const QScreen* screen = box.screen()) width = std::min(width, screen->availableGeometry().width() - 40);
    return width;
}

int windowsButton(QMessageBox::StandardButton button) {
    switch (button) {
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return 0;
    }
}

}  // namespace

std::unique_ptr<QMessageBox> QtMessageBoxService::prepare(const std::string& text, const std::string& caption,
                                                          unsigned flags, QWidget* owner) {
    const ButtonSet set = buttonsOf(flags);
    auto box = std::make_unique<QMessageBox>(iconOf(flags), fromAnsi(caption), fromAnsi(text), set.buttons, owner);
    box->setTextFormat(Qt::PlainText);
    box->setEscapeButton(set.escape);
    const bool second = (flags & MB_DEFBUTTON2) != 0;
    if (set.buttons.testFlag(QMessageBox::Yes))
        box->setDefaultButton(second ? QMessageBox::No : QMessageBox::Yes);
    else
        box->setDefaultButton(second && set.buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel
                                                                                  : QMessageBox::Ok);
    // A row of its own in the box's grid keeps the box at least as wide as its caption.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(captionWidth(*box), 0, QSizePolicy::Fixed, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, std::max(1, grid->columnCount()));
    return box;
}

int QtMessageBoxService::answerOf(const QMessageBox& box) {
    if (QAbstractButton* clicked = box.clickedButton()) {
        const int answer = windowsButton(box.standardButton(clicked));
        if (answer != 0) return answer;
    }
    // Closed without a button reaching us: the answer of the escape button of its set.
    const QMessageBox::StandardButtons buttons = box.standardButtons();
    if (buttons.testFlag(QMessageBox::Cancel)) return IDCANCEL;
    if (buttons.testFlag(QMessageBox::No)) return IDNO;
    return IDOK;
}

int QtMessageBoxService::MsgBox(const std::string& text, const std::string& caption, unsigned flags) {
    std::unique_ptr<QMessageBox> box = prepare(text, caption, flags, QApplication::activeWindow());
    NormalCursorWhileAsking asking;
    box->exec();
    return answerOf(*box);
}
