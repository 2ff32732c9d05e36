#pragma once
// The program's texts are Windows-1252 bytes (string table, data files, messages); file names on
// Linux are UTF-8. These convert between the two where a name meets a text: a chassis number
// proposed as a file name, a path shown in a message.

#include <string>
#include <string_view>

// The character a Windows-1252 byte stands for. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the same number, as
// Windows converts them, so every byte string survives a round trip.
char32_t unicodeOfWindows1252(unsigned char byte);
// The Windows-1252 byte of a character; '?' for a character the code page lacks.
char windows1252OfUnicode(char32_t code);

// Windows-1252 text as UTF-8.
std::string utf8FromWindows1252(std::string_view text);
// UTF-8 text as Windows-1252: one '?' for each character the code page lacks. A byte that is no
// part of valid UTF-8 is taken as a Windows-1252 character of its own, so a file name written
// in an 8-bit code page still reads as it was meant.
std::string windows1252FromUtf8(std::string_view text);
