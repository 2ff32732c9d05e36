#include "PreviewLogic.h"

#include <algorithm>
#include <cstddef>

int currentPrinterScale = kPrinterScaleBase;

int previewZoom(PreviewZoomMode mode, int width, int height) {
    const int fitWidth = width * 44 / 371;
    const int fitHeight = height * 44 / 518;
    int zoom = 100;
    switch (mode) {
    case PreviewZoomMode::FullPage:
        zoom = std::min(fitWidth, fitHeight);
        break;
    case PreviewZoomMode::OriginalSize:
        zoom = 100;
        break;
    case PreviewZoomMode::PageWidth:
        zoom = fitWidth;
        break;
    }
    return std::max(zoom, 1);
}

int scaleFromText(std::string_view text) {
    // Four digits hold every scale the box accepts; a longer number is refused, not wrapped.
    constexpr std::size_t kMaxDigits = 4;
    std::size_t at = text.find_first_not_of(' ');
    if (at == std::string_view::npos) return 0;
    int value = 0;
    std::size_t digits = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        if (++digits > kMaxDigits) return 0;
        value = value * 10 + (text[at] - '0');
    }
    return value;
}

bool scaleAccepted(int percent) {
    return percent >= kPrinterScaleMin && percent <= kPrinterScaleMax;
}
