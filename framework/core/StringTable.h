#pragma once
// The program's string table: every user-visible message by number, compiled in from
// resources/strings.txt. Texts are Windows-1252 bytes; conversion happens at the window boundary.
//
// File format, one entry a line: <id><TAB><text>. In the text "\n" stands for a line break,
// "\t" for a tab and "\\" for a backslash. Empty lines and lines starting with '#' are skipped.

#include <map>
#include <string>
#include <string_view>
#include <vector>

// The text of a string-table id; an empty text for an unknown id, as LoadString gives.
std::string LoadStr(int id);
// Whether the table holds the id (an entry may hold an empty text).
bool HasStr(int id);
// A string-table message with one "%s" replaced by text. The text is inserted as it is, never
// read as a format; a message without "%s" is returned unchanged.
std::string messageWithText(int stringId, std::string_view text);
// The same for a text that comes from the system: a file name or a system error text, which are
// UTF-8. It is inserted as Windows-1252; a character the code page lacks shows as '?'.
std::string messageWithSystemText(int stringId, std::string_view utf8Text);

// One line of a string-table source that could not be taken in.
struct StringTableProblem {
    int line = 0;  // 1-based
    std::string message;
};

// A parsed string-table source: the texts by id and what was wrong with it. Of duplicate ids the
// first entry wins; a malformed line is skipped.
struct ParsedStringTable {
    std::map<int, std::string> texts;
    std::vector<StringTableProblem> problems;
    bool ok() const { return problems.empty(); }
};

ParsedStringTable parseStringTable(std::string_view source);
