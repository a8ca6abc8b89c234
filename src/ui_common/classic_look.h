#pragma once
// The classic look the windows' layouts were designed for: frames whose
// border runs through the middle of their caption, check-box indicators that
// fit a low control, and long tooltips wrapped over several lines.

#include <QGroupBox>

class QAbstractButton;

namespace kvapomer {

// A frame drawn the classic way: an etched border half a caption line down,
// the caption over a cleared background on the border. Controls are placed
// relative to the frame's top-left corner, as in any group box.
class ClassicFrame : public QGroupBox {
    Q_OBJECT
public:
    explicit ClassicFrame(const QString& title, QWidget* parent = nullptr);

    // Where the border's top line runs, in pixels from the frame's top.
    int borderTop() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Shrinks the check indicator of `button` to its height where the style's
// indicator would be cut off.
void fitIndicatorToHeight(QAbstractButton* button);

// Tooltips of `root` and its children wider than `maxWidth` pixels are shown
// wrapped at blanks; the tooltip texts themselves stay as they are.
void wrapLongToolTips(QWidget* root, int maxWidth = 400);

// `text` broken at blanks into lines no wider than `maxWidth` in `font`.
QString wrappedText(const QString& text, const QFont& font, int maxWidth);

} // namespace kvapomer
