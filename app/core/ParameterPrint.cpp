#include "ParameterPrint.h"

#include <algorithm>
#include <stdexcept>

#include "Numbers.h"

namespace {

// Bands stand inside the page's margin; the detail rows start under the title band.
constexpr int kMargin = 38;
constexpr ReportFont kFont{16, true};
constexpr ReportFont kTitleFont{24, true};
constexpr ReportFont kRowFont{13, false};  // Arial 10 pt

constexpr int kCaptionX = 56;
constexpr int kValueX = 312;
constexpr int kLabelRowsTop = 91;
constexpr int kLabelRowStep = 26;
constexpr int kFrameLeft = 39;
constexpr int kFrameRight = 755;
constexpr int kTitleBandHeight = 236;
constexpr int kRowsTop = kMargin + kTitleBandHeight + 4;
constexpr int kRowHeight = 18;
// Number ends and value starts of the three columns.
constexpr int kNumberRight[] = {kMargin + 44, kMargin + 283, kMargin + 495};
constexpr int kValueLeft[] = {kMargin + 48, kMargin + 287, kMargin + 499};
constexpr int kValueWidth = 190;

static_assert(kRowsTop + static_cast<int>(ParameterPrintLayout::kRowsPerColumn) * kRowHeight <=
              kReportPageHeight - kMargin, "40 rows fit the page");

void addHeader(ReportPage& page, const ParameterPrintLayout& p) {
    page.pictures.push_back({.x = 56, .y = 46, .width = 209, .height = 33, .name = kReportLogo});
    page.texts.push_back({.x = kValueX, .y = 48, .text = "PARAMETER PROTOCOL", .font = kTitleFont});
    const std::string* values[] = {&p.System, &p.Teilenummer, &p.Fertigungsdatum, &p.Seriennr};
    const char* captions[] = {"System", "NORVA part number", "Production date", "Serial number"};
    for (int i = 0; i < 4; ++i) {
        const int y = kLabelRowsTop + i * kLabelRowStep;
        page.rects.push_back({kFrameLeft, y - 5, kFrameRight - kFrameLeft, kLabelRowStep});
        page.lines.push_back({kValueX - 7, y - 5, kValueX - 7, y - 5 + kLabelRowStep});
        page.texts.push_back({.x = kCaptionX, .y = y, .text = captions[i], .font = kFont});
        page.texts.push_back({.x = kValueX, .y = y, .width = kFrameRight - kValueX - 4, .text = *values[i],
                              .font = kFont});
    }
    const int dateY = kLabelRowsTop + 4 * kLabelRowStep + 12;
    page.texts.push_back({.x = kCaptionX, .y = dateY, .text = "Date", .font = kFont});
    page.texts.push_back({.x = kValueX, .y = dateY, .text = p.Datum, .font = kFont});
    page.texts.push_back({.x = kCaptionX, .y = dateY + 32,
                          .text = "Format : Parameter number / Parameter value", .font = kFont});
}

}  // namespace

Report ParameterPrintLayout::Prepare() {
    if (Werte.size() != Nummern.size()) throw std::logic_error("ParameterPrintLayout: one value per number");
    Report report;
    report.jobName = kJobName;
    const std::size_t count = Nummern.size();
    // Counted per run: a preview closed early leaves nothing behind for the next one.
    for (std::size_t first = 0; first == 0 || first < count; first += kPerPage) {
        ReportPage& page = report.pages.emplace_back();
        addHeader(page, *this);
        const std::size_t rows = std::min(kRowsPerColumn, count - first);
        for (std::size_t r = 0; r < rows; ++r) {
            const int y = kRowsTop + static_cast<int>(r) * kRowHeight;
            for (std::size_t c = 0; c < kColumns; ++c) {
                const std::size_t i = first + r + c * kRowsPerColumn;
                if (i >= count || i >= first + kPerPage) break;
                page.texts.push_back({.x = kNumberRight[c], .y = y, .text = Nummern[i], .font = kRowFont,
                                      .align = TextAlign::Right});
                page.texts.push_back({.x = kValueLeft[c], .y = y, .width = kValueWidth, .text = "/ " + Werte[i],
                                      .font = kRowFont});
            }
        }
    }
    return report;
}

std::string parameterPrintValue(const structParaInfo& parameter, uint16_t raw) {
    const double shown = (static_cast<double>(raw) - parameter.Offset) * parameter.Faktor + 0.0;
    return numbers::formatGeneral(shown, 15) + " " + parameter.Einheit;
}

void fillParameterPrint(ParameterPrintLayout& layout, const _ParaKonf& konf, const ParameterDatensatz& data) {
    layout.Nummern.clear();
    layout.Werte.clear();
    for (std::size_t i = 0; i < konf.Parameter.size(); ++i) {
        layout.Nummern.push_back(numbers::formatInt(data.number.at(i)));
        layout.Werte.push_back(parameterPrintValue(konf.Parameter[i], data.value.at(i)));
    }
}
