#pragma once
// "Cesta na zastávku…": the walk from home to the active line's stop, in
// whole minutes (0 switches the countdown to setting off off).

#include <QDialog>

class QPushButton;
class QSpinBox;

namespace kvapomer {

class WalkDialog : public QDialog {
    Q_OBJECT
public:
    explicit WalkDialog(int minutes, QWidget* parent = nullptr);

    int minutes() const;

Q_SIGNALS:
    // "Uložit": the caller writes the value and closes the dialog when it is
    // written.
    void saveAsked(int minutes);

private:
    QSpinBox* minutes_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace kvapomer
