#pragma once
// The rules of the print preview that need no window: the zoom for the preview's area, the
// printer scale typed into the scale box, and the program-wide printer scale.

#include <string_view>

enum class PreviewZoomMode { FullPage, OriginalSize, PageWidth };

// The zoom in percent for a preview area of width x height pixels: the page width fits at
// width x 44 / 371, the page height at height x 44 / 518 (each truncated); the original size is
// 100. Never below 1, so a tiny area still shows the page.
int previewZoom(PreviewZoomMode mode, int width, int height);

// The printer scale in percent applies to every report of the program and outlives the preview.
constexpr int kPrinterScaleBase = 100;
constexpr int kPrinterScaleMin = 20;
constexpr int kPrinterScaleMax = 300;
extern int currentPrinterScale;  // 100 at start

// The scale a text of the scale box asks for: the decimal number its leading digits form
// (blanks before them skipped, so "125 %" gives 125). No digits, or more digits than a scale can
// have, give 0, which no scale accepts.
int scaleFromText(std::string_view text);
bool scaleAccepted(int percent);
