#pragma once
// The rows of a list window (switches, outputs): in a scroll area, stacked from the top in the
// list's order, one slot per list entry.
//
// Use:
//   RowColumn<TfrmSchalterstellungenEintrag> rows_{sbSchalter, "sbSchalterInhalt"};
//   rows_.rebuild(list_.entries, list_.count);   // a Row(parent) with a QLabel* lblBezeichnung
//   rows_.rows()[i]                              // null for an entry the window does not show

#include "TextCodec.h"

#include <QLabel>
#include <QString>

#include <cstddef>
#include <vector>

class QScrollArea;
class QVBoxLayout;

// Makes `area`'s content (named contentName) the column the rows go into.
QVBoxLayout* makeRowColumn(QScrollArea* area, const QString& contentName);
// Puts `row` below the rows the column holds.
void appendRow(QVBoxLayout* column, QWidget* row);

template <typename Row>
class RowColumn {
public:
    RowColumn(QScrollArea* area, const QString& contentName)
        : column_(makeRowColumn(area, contentName)) {}

    // Drops the rows, then gives each visible entry of entries[0..count) a row named after it.
    template <typename Entries>
    void rebuild(const Entries& entries, std::size_t count) {
        for (Row* row : rows_) delete row;
        rows_.clear();
        for (std::size_t i = 0; i < count; ++i) {
            Row* row = nullptr;
            if (entries[i].visible) {
                row = new Row;
                row->lblBezeichnung->setText(fromAnsi(entries[i].name));
                appendRow(column_, row);
            }
            rows_.push_back(row);
        }
    }

    // One slot per list entry; null for an entry without a row.
    const std::vector<Row*>& rows() const { return rows_; }

private:
    QVBoxLayout* column_;
    std::vector<Row*> rows_;
};
