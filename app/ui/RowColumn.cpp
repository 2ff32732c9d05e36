#include "RowColumn.h"

#include <QScrollArea>
#include <QVBoxLayout>

QVBoxLayout* makeRowColumn(QScrollArea* area, const QString& contentName) {
    area->setWidgetResizable(true);
    auto* content = new QWidget;
    content->setObjectName(contentName);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    // Keeps the rows at the top.
    column->addStretch(1);
    area->setWidget(content);
    return column;
}

void appendRow(QVBoxLayout* column, QWidget* row) {
    // Above the stretch; shown at once also when the window already is.
    column->insertWidget(column->count() - 1, row);
    row->show();
}
