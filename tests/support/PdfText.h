#pragma once
// Reading printed reports back: the PDF tools of poppler-utils (pdfinfo, pdftotext) on a file the
// program printed. Texts come back as UTF-8.

#include <filesystem>
#include <string>

// A field of `pdfinfo` ("Pages", "Title", ...), its value without the padding; empty when absent.
std::string pdfInfo(const std::filesystem::path& pdf, const std::string& field);
int pdfPageCount(const std::filesystem::path& pdf);
// The text of one page (1-based) as `pdftotext -raw` reads it, every run of blanks and line
// breaks made one blank, so a test need not know how the lines fell.
std::string pdfPageText(const std::filesystem::path& pdf, int page);
