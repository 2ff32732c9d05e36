#pragma once
// The program's message boxes on Qt: MsgBox / MsgBoxText (MessageBox.h) show a QMessageBox once
// this service is installed (installMessageBoxService), and answer with the Windows button
// numbers. Texts and captions are Windows-1252, as everywhere in the core.

#include "MessageBox.h"

#include <QMessageBox>

#include <memory>
#include <string>

class QtMessageBoxService final : public MessageBoxService {
public:
    // Modal, owned by the active window. Buttons and icon from the MB_* flags; an unknown button
    // set shows OK only. The close box and Escape answer IDCANCEL (OK/Cancel), IDNO (Yes/No) or
    // IDOK (OK only).
    int MsgBox(const std::string& text, const std::string& caption, unsigned flags) override;

    // MsgBox in steps: the box as it would be shown (not shown yet), and the answer for the
    // way it was closed.
    static std::unique_ptr<QMessageBox> prepare(const std::string& text, const std::string& caption,
                                                unsigned flags, QWidget* owner);
    static int answerOf(const QMessageBox& box);
};
