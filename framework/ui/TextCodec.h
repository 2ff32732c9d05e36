#pragma once
// The core keeps every text as Windows-1252 bytes (string table, data files); the windows speak
// Unicode. These two functions are the only crossing between them.

#include <QString>

#include <string>
#include <string_view>

// Each byte as its Windows-1252 character. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same number, as Windows
// converts them, so every byte string survives fromAnsi and toAnsi unchanged.
QString fromAnsi(std::string_view text);
// Each character as its Windows-1252 byte; a character the code page lacks becomes '?'
// (one '?' per character, also for characters outside the basic plane).
std::string toAnsi(const QString& text);
