#include "TextCodec.h"

#include "Windows1252.h"

#include <QList>

QString fromAnsi(std::string_view text) {
    QString result;
    result.reserve(static_cast<qsizetype>(text.size()));
    for (char c : text) result.append(QChar(static_cast<char16_t>(unicodeOfWindows1252(static_cast<unsigned char>(c)))));
    return result;
}

std::string toAnsi(const QString& text) {
    std::string result;
    result.reserve(static_cast<std::size_t>(text.size()));
    // Walk by code point, so a character outside the basic plane gives one '?', not two.
    for (char32_t code : text.toUcs4()) result.push_back(windows1252OfUnicode(code));
    return result;
}
