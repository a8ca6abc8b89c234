#include "ui_common/classic_look.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStringList>
#include <QToolTip>

#include <algorithm>

namespace kvapomer {

ClassicFrame::ClassicFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

int ClassicFrame::borderTop() const {
    return fontMetrics().height() / 2;
}

void ClassicFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int top = borderTop();
    const QRect outer = rect().adjusted(0, top, -1, -1);
    // Etched: a shadow line with a light line just inside and below it.
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(outer.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(outer.adjusted(1, 1, 0, 0));

    if (title().isEmpty()) {
        return;
    }
    constexpr int kCaptionLeft = 8;
    const QFontMetrics metrics = fontMetrics();
    const QRect caption(kCaptionLeft, 0, metrics.horizontalAdvance(title()), metrics.height());
    painter.fillRect(caption, palette().brush(QPalette::Window));
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(caption, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, title());
}

namespace {

class FittingIndicatorStyle final : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        const int value = QProxyStyle::pixelMetric(metric, option, widget);
        if (widget && (metric == PM_IndicatorWidth || metric == PM_IndicatorHeight)) {
            return std::min(value, widget->height());
        }
        return value;
    }
};

class ToolTipWrapper final : public QObject {
public:
    ToolTipWrapper(QObject* parent, int maxWidth) : QObject(parent), maxWidth_(maxWidth) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() != QEvent::ToolTip || !widget || widget->toolTip().isEmpty()) {
            return false;
        }
        const auto* help = static_cast<QHelpEvent*>(event);
        QToolTip::showText(help->globalPos(),
                           wrappedText(widget->toolTip(), QToolTip::font(), maxWidth_), widget,
                           QRect(), widget->toolTipDuration());
        return true;
    }

private:
    int maxWidth_;
};

} // namespace

void fitIndicatorToHeight(QAbstractButton* button) {
    auto* style = new FittingIndicatorStyle;
    style->setParent(button);
    button->setStyle(style);
}

QString wrappedText(const QString& text, const QFont& font, int maxWidth) {
    const QFontMetrics metrics(font);
    QStringList lines;
    QString line;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + u' ' + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(longer) > maxWidth) {
            lines << line;
            line = word;
        } else {
            line = longer;
        }
    }
    if (!line.isEmpty()) {
        lines << line;
    }
    return lines.join(u'\n');
}

void wrapLongToolTips(QWidget* root, int maxWidth) {
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    const QFontMetrics metrics(QToolTip::font());
    QObject* wrapper = nullptr;
    for (QWidget* w : widgets) {
        if (w->toolTip().isEmpty() || metrics.horizontalAdvance(w->toolTip()) <= maxWidth) {
            continue;
        }
        if (!wrapper) {
            wrapper = new ToolTipWrapper(root, maxWidth);
        }
        w->installEventFilter(wrapper);
    }
}

} // namespace kvapomer
