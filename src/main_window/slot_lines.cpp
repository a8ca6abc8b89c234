#include "main_window/slot_lines.h"

#include "main_window/main_look.h"
#include "ui_common/fonts.h"

#include <QFontMetrics>
#include <QLabel>

#include <algorithm>

namespace kvapomer {

namespace {

// A line label's width inside its slot: room for "150" or "S 7" at 7 pt, to
// the right of the centred "hh:mm".
constexpr int kLineTwips = 345;

void setIfChanged(QLabel* label, const QString& text) {
    if (label->text() != text) {
        label->setText(text);
    }
    label->setVisible(!text.isEmpty());
}

} // namespace

SlotLines::SlotLines(const std::array<QLabel*, 4>& slots) : slots_(slots) {
    for (std::size_t k = 0; k < slots_.size(); ++k) {
        QLabel* slot = slots_[k];
        tips_[k] = slot->toolTip();
        shown_[k] = tips_[k];
        const QRect inside = slot->contentsRect();
        const int width = twips(0, 0, kLineTwips, 0).width();
        const QByteArray name = "SlotLine_" + QByteArray::number(static_cast<int>(k));
        // A child of the slot: it inherits the slot's palette, so its colour.
        QLabel* line = new QLabel(slot);
        line->setObjectName(QString::fromLatin1(name));
        // On the line the slot's "hh:mm" stands on: as high as its text, bottom-aligned.
        const int textHeight = std::min(inside.height(), QFontMetrics(slot->font()).height());
        line->setGeometry(inside.right() + 1 - width, inside.top(), width, textHeight);
        line->setAlignment(Qt::AlignRight | Qt::AlignBottom);
        QFont font = designFont(QStringLiteral("MS Sans Serif"), 6.75, k == 0);
        line->setFont(font);
        line->setAttribute(Qt::WA_TransparentForMouseEvents);
        line->setAccessibleName(QString()); // the slot's own name says the line
        line->hide();
        lines_[k] = line;
    }
}

void SlotLines::paint(const TickView& view, QWidget* expanded) {
    for (std::size_t k = 0; k < slots_.size(); ++k) {
        const QString& line = view.slotLines[k];
        setIfChanged(lines_[k], line);
        // A tip another view set since (the walk's slots) is the slot's own.
        if (slots_[k]->toolTip() != shown_[k]) {
            tips_[k] = slots_[k]->toolTip();
        }
        // With live data the tip is the slot's name, which says the line too;
        // the bus the walk can no longer reach keeps the walk's words.
        const bool live = view.live && !view.slots[k].isEmpty() && !(view.lateSlot && k == 0);
        const QString tip = live              ? (*view.live)[k].name
                            : line.isEmpty() ? tips_[k]
                                             : tips_[k] + QStringLiteral(" – linka ") + line;
        if (slots_[k]->toolTip() != tip) {
            slots_[k]->setToolTip(tip);
        }
        shown_[k] = tip;
    }
    if (!expanded) {
        return;
    }
    const QString& countedSlot = view.slotLines[static_cast<std::size_t>(view.countedSlot())];
    const QString counted =
        countedSlot.isEmpty() ? QString() : QStringLiteral("linka ") + countedSlot;
    if (!countedLine_ && counted.isEmpty()) {
        return;
    }
    if (!countedLine_) {
        countedLine_ = main_look::makeLabel(
            expanded, "CountedLine", twips(120, 105, 4395, 210), QString(),
            designFont(QStringLiteral("Tahoma"), 8.25, true), Qt::AlignHCenter | Qt::AlignTop);
    }
    setIfChanged(countedLine_, counted);
}

} // namespace kvapomer
