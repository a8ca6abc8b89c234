#pragma once
// What assistive technologies see of the windows: the order in which a
// container's controls are read, names that change only when their words do,
// and a place from which one sentence is announced at a time.

#include <QAccessible>
#include <QList>
#include <QString>
#include <QWidget>

namespace kvapomer {

// A screen reader reads the children of `container` in `order`. Children not
// listed are left out: labels whose words are already in their fields' names,
// decorations. `container` keeps the role it had (window, group).
void setReadingOrder(QWidget* container, const QList<QWidget*>& order);

// The children of `container` in the order a screen reader reads them.
QList<QWidget*> readingOrder(const QWidget* container);

// Each change of a name or description is an event that a screen reader may
// speak: these set it only when the words differ.
void setAccessibleNameIfChanged(QWidget* widget, const QString& name);
void setAccessibleDescriptionIfChanged(QWidget* widget, const QString& description);

// An alert (role AlertMessage) that draws nothing. Each announcement becomes
// its name and raises one name-change event, which screen readers speak once.
class Announcer : public QWidget {
    Q_OBJECT
public:
    explicit Announcer(QWidget* parent);

    QString sentence() const { return sentence_; }
    void announce(const QString& sentence);

Q_SIGNALS:
    void announced(const QString& sentence);

private:
    QString sentence_;
};

} // namespace kvapomer
