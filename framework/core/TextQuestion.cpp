#include "TextQuestion.h"

#include "InstalledService.h"

TextQuestion* installTextQuestion(TextQuestion* question) {
    return InstalledService<TextQuestion>::install(question);
}

TextQuestion& textQuestion() {
    return InstalledService<TextQuestion>::require("textQuestion: no text question installed");
}
