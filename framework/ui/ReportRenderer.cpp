#include "ReportRenderer.h"

#include "Artwork.h"
#include "Numbers.h"
#include "StringTable.h"
#include "TextCodec.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

#include <initializer_list>

namespace {

constexpr int kIdPrintFailed = 11970;
constexpr int kIdNoPrinter = 11971;
constexpr int kIdPrinterNotOpened = 11972;
constexpr int kIdPageFailed = 11973;
constexpr int kIdFileNotWritten = 11974;
constexpr int kIdPrintedIntoFile = 11993;

constexpr qreal kUnitsPerInch = 96.0;

QFont fontOf(const ReportFont& f) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(f.pixelSize);
    font.setBold(f.bold);
    font.setItalic(f.italic);
    return font;
}

// The font of a fixed-width label: a text too wide for it is set smaller, down to three quarters
// of its size, so a chassis number or a long component text stays whole on paper.
QFont fittedFont(const ReportText& t, const QString& text) {
    QFont font = fontOf(t.font);
    if (t.width <= 0) return font;
    for (int size = t.font.pixelSize - 1;
         size * 4 >= t.font.pixelSize * 3 && QFontMetricsF(font).horizontalAdvance(text) > t.width; --size)
        font.setPixelSize(size);
    return font;
}

void paintText(QPainter& p, const ReportText& t) {
    if (t.text.empty()) return;
    QString text = fromAnsi(t.text);
    const QFont font = fittedFont(t, text);
    p.setFont(font);
    const QFontMetricsF metrics(font);
    const qreal height = metrics.height();
    QRectF box;
    Qt::Alignment horizontal = Qt::AlignLeft;
    switch (t.align) {
    case TextAlign::Left: horizontal = Qt::AlignLeft; break;
    case TextAlign::Right: horizontal = Qt::AlignRight; break;
    case TextAlign::Centre: horizontal = Qt::AlignHCenter; break;
    }
    if (t.width > 0) {
        // A text still too long ends in an ellipsis rather than a half letter.
        box = QRectF(t.x, t.y, t.width, height);
        text = metrics.elidedText(text, Qt::ElideRight, t.width);
    } else {
        const qreal width = metrics.horizontalAdvance(text) + 1;
        const qreal left = t.align == TextAlign::Left    ? t.x
                           : t.align == TextAlign::Right ? t.x - width
                                                         : t.x - width / 2;
        box = QRectF(left, t.y, width, height);
    }
    p.drawText(box, horizontal | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip, text);
}

void paintPicture(QPainter& p, const ReportPicture& picture) {
    const QRectF box(picture.x, picture.y, picture.width, picture.height);
    if (picture.name == kReportLogo) paintReportLogo(p, box);
}

// The string-table pattern with its "%s" / "%d" placeholders filled from left to right; the
// arguments' own texts are not searched, so a file name with "%s" in it stays as it is.
QString filledIn(const QString& pattern, std::initializer_list<QString> args) {
    QString out;
    qsizetype from = 0;
    for (const QString& arg : args) {
        qsizetype at = from;
        while ((at = pattern.indexOf(QLatin1Char('%'), at)) >= 0 && at + 1 < pattern.size() &&
               pattern[at + 1] != QLatin1Char('s') && pattern[at + 1] != QLatin1Char('d'))
            ++at;
        if (at < 0 || at + 1 >= pattern.size()) break;
        out += pattern.mid(from, at - from) + arg;
        from = at + 2;
    }
    return out + pattern.mid(from);
}

QString numberText(int value) { return QString::fromStdString(numbers::formatInt(value)); }

}  // namespace

void paintReportPage(QPainter& p, const ReportPage& page, int scalePercent) {
    p.save();
    p.scale(scalePercent / 100.0, scalePercent / 100.0);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    for (const ReportRect& r : page.rects) p.drawRect(QRectF(r.x, r.y, r.width, r.height));
    for (const ReportLine& l : page.lines) p.drawLine(QPointF(l.x1, l.y1), QPointF(l.x2, l.y2));
    for (const ReportPicture& picture : page.pictures) paintPicture(p, picture);
    p.setPen(Qt::black);
    for (const ReportText& t : page.texts) paintText(p, t);
    p.restore();
}

void preparePrinter(QPrinter& printer, const Report& report) {
    printer.setDocName(fromAnsi(report.jobName));
    printer.setFullPage(true);
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageSize(QPageSize(QSizeF(report.pageWidth, report.pageHeight) * (72.0 / kUnitsPerInch),
                                  QPageSize::Point, QString(), QPageSize::FuzzyMatch));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
}

ReportPrintOutcome paintReport(const Report& report, QPrinter& printer, int scalePercent) {
    ReportPrintOutcome outcome;
    outcome.pageCount = static_cast<int>(report.pages.size());
    QPainter painter;
    if (!painter.begin(&printer)) {
        outcome.status = ReportPrintOutcome::Status::OpenFailed;
        return outcome;
    }
    const qreal units = printer.resolution() / kUnitsPerInch;
    painter.scale(units, units);
    for (int i = 0; i < outcome.pageCount; ++i) {
        if (i > 0 && !printer.newPage()) {
            outcome.status = ReportPrintOutcome::Status::PageFailed;
            outcome.failedPage = i + 1;
            break;
        }
        paintReportPage(painter, report.pages[i], scalePercent);
    }
    // Ending the painter sends the job; a printer that refuses it then has printed nothing.
    if (!painter.end() && outcome.printed()) outcome.status = ReportPrintOutcome::Status::OpenFailed;
    return outcome;
}

ReportPrintOutcome printReport(const Report& report, QPrinter& printer, int scalePercent) {
    const bool toFile = printer.outputFormat() == QPrinter::PdfFormat;
    if (toFile ? printer.outputFileName().isEmpty() : printer.printerName().isEmpty()) {
        ReportPrintOutcome outcome;
        outcome.status = ReportPrintOutcome::Status::NoPrinter;
        outcome.pageCount = static_cast<int>(report.pages.size());
        return outcome;
    }
    preparePrinter(printer, report);
    return paintReport(report, printer, scalePercent);
}

QString printerDisplayName(const QPrinter& printer) {
    return printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : printer.printerName();
}

std::string printFailureText(const ReportPrintOutcome& outcome, const QPrinter& printer) {
    using Status = ReportPrintOutcome::Status;
    if (outcome.status == Status::NoPrinter) return LoadStr(kIdNoPrinter);
    QString reason;
    if (outcome.status == Status::PageFailed) {
        reason = filledIn(fromAnsi(LoadStr(kIdPageFailed)),
                          {numberText(outcome.failedPage), numberText(outcome.pageCount)});
    } else if (printer.outputFormat() == QPrinter::PdfFormat) {
        reason = fromAnsi(LoadStr(kIdFileNotWritten));
    } else {
        reason = fromAnsi(LoadStr(kIdPrinterNotOpened));
    }
    return toAnsi(filledIn(fromAnsi(LoadStr(kIdPrintFailed)), {printerDisplayName(printer), reason}));
}

std::string printDoneText(const QPrinter& printer) {
    if (printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty()) return {};
    const QString file = QFileInfo(printer.outputFileName()).absoluteFilePath();
    return toAnsi(filledIn(fromAnsi(LoadStr(kIdPrintedIntoFile)), {QDir::toNativeSeparators(file)}));
}
