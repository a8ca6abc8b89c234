#include "main_window/walk_dialog.h"

#include "config/config_file.h"
#include "config/keys.h"
#include "main_window/form1.h"
#include "ui_common/focus_ring.h"
#include "ui_common/svg_icon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kvapomer {

namespace {

constexpr const char* kTitle = "Cesta na zastávku";

} // namespace

WalkDialog::WalkDialog(int minutes, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("WalkDialog"));
    setWindowTitle(QString::fromUtf8(kTitle));
    setWindowIcon(svgIcon(QStringLiteral(":/icons/clock.svg")));
    setAccessibleName(QString::fromUtf8(kTitle));

    minutes_ = new QSpinBox(this);
    minutes_->setObjectName(QStringLiteral("WalkMin"));
    minutes_->setRange(0, keys::kMaxWalkMin);
    minutes_->setValue(minutes);
    minutes_->setAccessibleName(QStringLiteral("Cesta z domova na zastávku v minutách"));
    minutes_->setAccessibleDescription(
        QStringLiteral("Odpočet běží k chvíli, kdy vyrazit; 0 jej vypne"));
    auto* caption = new QLabel(QStringLiteral("Cesta z domova na zastávku (min):"), this);
    caption->setObjectName(QStringLiteral("WalkCaption"));
    caption->setBuddy(minutes_);

    save_ = new QPushButton(QStringLiteral("Uložit"), this);
    save_->setObjectName(QStringLiteral("WalkSave"));
    save_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Zrušit"), this);
    cancel_->setObjectName(QStringLiteral("WalkCancel"));
    connect(save_, &QPushButton::clicked, this, [this] { Q_EMIT saveAsked(this->minutes()); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(caption);
    row->addWidget(minutes_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(minutes_, save_);
    setTabOrder(save_, cancel_);
    minutes_->setFocus();
    new FocusRing(this);
}

int WalkDialog::minutes() const {
    return minutes_->value();
}

// The active line's walk, written at once; the window counts to setting off
// from then on.
void Form1::openWalkDialog() {
    auto* open = findChild<WalkDialog*>(QString(), Qt::FindDirectChildrenOnly);
    if (open && open->isVisible()) {
        open->raise();
        open->activateWindow();
        return;
    }
    auto* dialog = new WalkDialog(state_.timetable.WalkMin, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    const QString line = state_.timetable.Bus;
    connect(dialog, &WalkDialog::saveAsked, this, [this, dialog, line](int minutes) {
        Result<void> result;
        ownWrite([&] { result = configFile().storeWalkMin(line, minutes); });
        if (!result) {
            platform_.messageBox.show(QStringLiteral("Chyba při ukládání"), result.error().text(),
                                      MessageStyle::Error);
            return;
        }
        dialog->accept();
        LoadData();
    });
    dialog->open();
}

} // namespace kvapomer
