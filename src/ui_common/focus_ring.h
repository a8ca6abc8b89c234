#pragma once
// A ring around the control that has the keyboard focus, clearly visible on
// every kind of control (the time list included). It shows once the keyboard
// is used in the window and hides when the mouse is, as the controls' own
// faint focus marks are enough for a mouse user.

#include <QPointer>
#include <QWidget>

namespace kvapomer {

class FocusRing : public QWidget {
    Q_OBJECT
public:
    // Watches the controls of `window` that take focus by Tab; the ring is a
    // child of the window and draws over them.
    explicit FocusRing(QWidget* window);

    // The control the ring is drawn around, or none while it is hidden.
    QWidget* target() const { return isHidden() ? nullptr : target_.data(); }

    static constexpr int kWidth = 2;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void surround(QWidget* control);

    QPointer<QWidget> target_;
    bool keyboard_ = false;
};

} // namespace kvapomer
