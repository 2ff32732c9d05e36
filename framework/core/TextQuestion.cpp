#include "TextQuestion.h"

#include <stdexcept>

namespace {
TextQuestion* installedQuestion = nullptr;
}

TextQuestion* installTextQuestion(TextQuestion* question) {
    TextQuestion* previous = installedQuestion;
    installedQuestion = question;
    return previous;
}

TextQuestion& textQuestion() {
    if (!installedQuestion) throw std::logic_error("textQuestion: no text question installed");
    return *installedQuestion;
}
