#pragma once
// The windows' design units, and the faces they were designed with or
// metric-compatible substitutes where those are not installed.

#include <QFont>
#include <QList>
#include <QRect>
#include <QString>

#include <thread>

class QLabel;
class QWidget;

namespace kvapomer {

// Windows are designed in twips: 1/1440 inch, 15 to a pixel at 96 dots per inch.
inline constexpr int kTwipsPerPixel = 15;

inline QRect twips(int left, int top, int width, int height) {
    return {left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
            height / kTwipsPerPixel};
}

inline QRect twips(const QRect& designed) {
    return twips(designed.x(), designed.y(), designed.width(), designed.height());
}

// Reads the system's font configuration (fontconfig's files and caches) on a
// thread of its own, so that it overlaps the setting up of the application
// object instead of following it; the first font the windows ask for then
// finds it read. Destroying the object waits for the thread.
class FontSetupAhead {
public:
    FontSetupAhead();
    ~FontSetupAhead();
    FontSetupAhead(const FontSetupAhead&) = delete;
    FontSetupAhead& operator=(const FontSetupAhead&) = delete;

private:
    std::thread thread_;
};

// Registers faces the program ships with or borrows from fonts-wine (Tahoma)
// when the system does not already offer them. Call once after QApplication.
void registerApplicationFonts();

// `face` at `points` (as designed at 96 dots per inch) in the installed face,
// or its substitute. Sizes are set in pixels so the layout does not depend on
// the screen's dots per inch.
QFont designFont(const QString& face, double points, bool bold = false);

// Substitute faces can run a pixel wider than the designed ones: steps the
// widget's font down until `widest` fits `width` pixels. Trailing blanks are
// not drawn and do not count.
void shrinkToFit(QWidget* widget, const QString& widest, int width);

// Fits each label to its width as above; where one label of a row (same
// parent, same top) must step down, the whole row takes the smaller size.
void shrinkRowsToFit(const QList<QLabel*>& labels);

// The family actually used for a designed face.
QString substituteFamily(const QString& face);

} // namespace kvapomer
