#pragma once
// What a technician sees wrong in a window at a glance, found from its widgets: a text cut off
// by its control, a control standing (partly) outside the widget that holds it, a column head
// wider than its column, tabs behind scroll arrows, a number with a decimal comma, characters
// decoded in the wrong code page. layoutFaults lists them, one a line; "" is a window that
// looks right (compare with "", so a failure prints the list). Only what is shown counts:
// hidden controls, the contents of scroll areas and Qt's own parts of complex controls are
// left out.

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QWidget>

#include <algorithm>
#include <string>

namespace layout_check {

inline QString nameOf(const QWidget* w) {
    QString name = w->objectName();
    if (name.isEmpty()) name = QString::fromLatin1(w->metaObject()->className());
    return name;
}

// A text as shown: without the mnemonic markers.
inline QString shownText(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

inline int widestLine(const QFontMetrics& fm, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, fm.horizontalAdvance(line));
    return widest;
}

// Controls whose children are Qt's own parts, and scroll areas whose contents move.
inline bool isOpaqueContainer(const QWidget* w) {
    return qobject_cast<const QComboBox*>(w) || qobject_cast<const QTabBar*>(w) ||
           qobject_cast<const QAbstractScrollArea*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QAbstractButton*>(w) || w->inherits("QAbstractSpinBox") ||
           w->inherits("QStatusBar") || w->inherits("QToolBar") || w->inherits("QMenuBar") ||
           w->inherits("QPrintPreviewWidget") || w->inherits("QProgressBar");
}

inline void checkText(const QWidget* w, const QString& text, QStringList& faults) {
    static const QRegularExpression decimalComma(QStringLiteral("\\d,\\d"));
    if (text.contains(decimalComma)) faults << nameOf(w) + ": a decimal comma in \"" + text + "\"";
    if (text.contains(QChar(0xFFFD)) || text.contains(QChar(0x00C3)))
        faults << nameOf(w) + ": characters in the wrong code page in \"" + text + "\"";
}

inline void checkWidget(const QWidget* w, QStringList& faults) {
    const QFontMetrics fm(w->font());
    if (auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->text().isEmpty() || label->textFormat() == Qt::RichText) return;
        checkText(w, label->text(), faults);
        const QRect room = label->contentsRect();
        if (label->wordWrap()) {
            if (label->heightForWidth(label->width()) > label->height() + 1)
                faults << nameOf(w) + QStringLiteral(": wrapped text needs %1 px height, has %2: \"%3\"")
                                          .arg(label->heightForWidth(label->width()))
                                          .arg(label->height())
                                          .arg(label->text());
        } else {
            const QString text = label->buddy() || label->text().contains('&') ? shownText(label->text())
                                                                                 : label->text();
            const int needed = widestLine(fm, text) + 2 * label->margin();
            const int lines = static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
            if (needed > room.width())
                faults << nameOf(w) + QStringLiteral(": text needs %1 px, has %2: \"%3\"")
                                          .arg(needed)
                                          .arg(room.width())
                                          .arg(label->text());
            if (lines * fm.height() > room.height() + 1)
                faults << nameOf(w) + QStringLiteral(": %1 line(s) need %2 px height, has %3: \"%4\"")
                                          .arg(lines)
                                          .arg(lines * fm.height())
                                          .arg(room.height())
                                          .arg(label->text());
        }
        return;
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) {
        if (button->text().isEmpty()) return;
        checkText(w, button->text(), faults);
        int needed = widestLine(fm, shownText(button->text()));
        if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w)) {
            needed = button->sizeHint().width();
        } else {
            // The caption with a few pixels either side, as the style's own size hint allows.
            if (!button->icon().isNull()) needed += button->iconSize().width() + 4;
            needed += 8;
        }
        if (needed > button->width())
            faults << nameOf(w) + QStringLiteral(": caption needs %1 px, has %2: \"%3\"")
                                      .arg(needed)
                                      .arg(button->width())
                                      .arg(button->text());
        return;
    }
    if (auto* box = qobject_cast<const QGroupBox*>(w)) {
        if (box->title().isEmpty()) return;
        checkText(w, box->title(), faults);
        const int needed = QFontMetrics(box->font()).horizontalAdvance(shownText(box->title())) + 16;
        if (needed > box->width())
            faults << nameOf(w) + QStringLiteral(": title needs %1 px, has %2: \"%3\"")
                                      .arg(needed)
                                      .arg(box->width())
                                      .arg(box->title());
        return;
    }
    if (auto* edit = qobject_cast<const QLineEdit*>(w)) {
        checkText(w, edit->text(), faults);
        if (edit->isReadOnly() && fm.horizontalAdvance(edit->text()) + 8 > edit->width())
            faults << nameOf(w) + QStringLiteral(": read-only text needs %1 px, has %2: \"%3\"")
                                      .arg(fm.horizontalAdvance(edit->text()) + 8)
                                      .arg(edit->width())
                                      .arg(edit->text());
        return;
    }
    if (auto* tree = qobject_cast<const QTreeWidget*>(w)) {
        const QHeaderView* header = tree->header();
        const QTreeWidgetItem* head = tree->headerItem();
        if (!header->isHidden()) {
            const QFontMetrics hfm(header->font());
            for (int c = 0; c < tree->columnCount(); ++c) {
                if (header->isSectionHidden(c)) continue;
                const int needed = hfm.horizontalAdvance(head->text(c)) + 12;
                const bool last = c == tree->columnCount() - 1 && header->stretchLastSection();
                if (!last && needed > header->sectionSize(c))
                    faults << nameOf(w) + QStringLiteral(": column head needs %1 px, has %2: \"%3\"")
                                              .arg(needed)
                                              .arg(header->sectionSize(c))
                                              .arg(head->text(c));
            }
        }
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            for (int c = 0; c < tree->columnCount(); ++c) checkText(w, tree->topLevelItem(i)->text(c), faults);
        return;
    }
    if (auto* tabs = qobject_cast<const QTabBar*>(w)) {
        if (tabs->sizeHint().width() > tabs->width() && tabs->shape() == QTabBar::RoundedNorth)
            faults << nameOf(w) + QStringLiteral(": tabs need %1 px, have %2")
                                      .arg(tabs->sizeHint().width())
                                      .arg(tabs->width());
    }
}

inline void walk(const QWidget* w, QStringList& faults) {
    for (const QObject* object : w->children()) {
        auto* child = qobject_cast<const QWidget*>(object);
        if (!child || child->isWindow() || child->isHidden()) continue;
        if (child->objectName().startsWith(QStringLiteral("qt_"))) continue;
        const QRect inside = w->rect();
        const QRect at = child->geometry();
        if (!inside.contains(at) && at.width() > 0 && at.height() > 0)
            faults << nameOf(child) + QStringLiteral(" (%1,%2 %3x%4) lies outside %5 (%6x%7)")
                                          .arg(at.x())
                                          .arg(at.y())
                                          .arg(at.width())
                                          .arg(at.height())
                                          .arg(nameOf(w))
                                          .arg(inside.width())
                                          .arg(inside.height());
        checkWidget(child, faults);
        if (!isOpaqueContainer(child)) walk(child, faults);
    }
}

}  // namespace layout_check

// The faults of a shown window (see above), one per line; empty when it looks right.
inline std::string layoutFaults(const QWidget* window) {
    QStringList faults;
    layout_check::checkText(window, window->windowTitle(), faults);
    layout_check::walk(window, faults);
    return faults.join(QLatin1Char('\n')).toStdString();
}

// A top-level window narrower than its caption needs: the window manager writes the caption
// (mostly bold) beside the window icon and the three frame buttons, some 140 px together, and cuts
// what does not fit. "" when it fits.
inline std::string captionFault(const QWidget* window) {
    QFont font = window->font();
    font.setBold(true);
    const int needed = QFontMetrics(font).horizontalAdvance(window->windowTitle()) + 140;
    if (window->width() >= needed) return {};
    return QStringLiteral("the caption \"%1\" needs %2 px, the window is %3 px wide")
        .arg(window->windowTitle())
        .arg(needed)
        .arg(window->width())
        .toStdString();
}
