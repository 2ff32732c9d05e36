#include "QtMessageBoxService.h"

#include "HourglassCursor.h"
#include "TextCodec.h"

#include <QAbstractButton>
#include <QApplication>

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
    box->setDefaultButton(set.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok);
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
