#include "ui_common/fonts.h"

#include <QLabel>

#include <algorithm>
#include <vector>

namespace kvapomer {

void shrinkRowsToFit(const QList<QLabel*>& labels) {
    struct Row {
        const QWidget* parent;
        int top;
        int pixels;
    };
    std::vector<Row> rows;
    const auto rowOf = [&rows](const QLabel* label) -> Row& {
        for (Row& row : rows) {
            if (row.parent == label->parentWidget() && row.top == label->y()) {
                return row;
            }
        }
        return rows.emplace_back(Row{label->parentWidget(), label->y(), label->font().pixelSize()});
    };
    for (QLabel* label : labels) {
        if (label->font().pixelSize() > 0) {
            shrinkToFit(label, label->text(), label->width());
            Row& row = rowOf(label);
            row.pixels = std::min(row.pixels, label->font().pixelSize());
        }
    }
    for (QLabel* label : labels) {
        if (label->font().pixelSize() > rowOf(label).pixels) {
            QFont font = label->font();
            font.setPixelSize(rowOf(label).pixels);
            label->setFont(font);
        }
    }
}

} // namespace kvapomer
