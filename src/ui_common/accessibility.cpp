#include "ui_common/accessibility.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

namespace kvapomer {

namespace {

struct Order {
    QAccessible::Role role = QAccessible::Client;
    QList<QPointer<QWidget>> children;
};

QHash<const QObject*, Order>& orders() {
    static QHash<const QObject*, Order> registered;
    return registered;
}

// A container whose children are read in a chosen order.
class OrderedAccessible final : public QAccessibleWidget {
public:
    OrderedAccessible(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

    int childCount() const override { return static_cast<int>(ordered().size()); }

    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> children = ordered();
        if (index < 0 || index >= children.size()) {
            return nullptr;
        }
        return QAccessible::queryAccessibleInterface(children.at(index));
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child) {
            return -1;
        }
        return static_cast<int>(ordered().indexOf(qobject_cast<QWidget*>(child->object())));
    }

private:
    QList<QWidget*> ordered() const { return readingOrder(widget()); }
};

class AnnouncerAccessible final : public QAccessibleWidget {
public:
    explicit AnnouncerAccessible(Announcer* announcer)
        : QAccessibleWidget(announcer, QAccessible::AlertMessage) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            return static_cast<const Announcer*>(widget())->sentence();
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* createInterface(const QString&, QObject* object) {
    if (auto* announcer = qobject_cast<Announcer*>(object)) {
        return new AnnouncerAccessible(announcer);
    }
    const auto found = orders().constFind(object);
    if (found == orders().constEnd()) {
        return nullptr;
    }
    return new OrderedAccessible(static_cast<QWidget*>(object), found->role);
}

void installFactory() {
    static const bool installed = (QAccessible::installFactory(createInterface), true);
    Q_UNUSED(installed);
}

// Qt may have made the object's interface before the factory knew of it (a
// widget's interface is made at its first change): drop that one.
void dropInterfaceOtherThan(QObject* object, bool (*isOurs)(QAccessibleInterface*)) {
    QAccessibleInterface* existing = QAccessible::queryAccessibleInterface(object);
    if (existing && !isOurs(existing)) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(existing));
    }
}

} // namespace

void setReadingOrder(QWidget* container, const QList<QWidget*>& order) {
    installFactory();
    auto& all = orders();
    if (!all.contains(container)) {
        const QAccessibleInterface* existing = QAccessible::queryAccessibleInterface(container);
        Order fresh;
        fresh.role = existing ? existing->role() : QAccessible::Client;
        all.insert(container, fresh);
        QObject::connect(container, &QObject::destroyed,
                         [container] { orders().remove(container); });
        dropInterfaceOtherThan(container, [](QAccessibleInterface* iface) {
            return dynamic_cast<OrderedAccessible*>(iface) != nullptr;
        });
    }
    Order& entry = all[container];
    entry.children.clear();
    for (QWidget* w : order) {
        entry.children.append(w);
    }
}

QList<QWidget*> readingOrder(const QWidget* container) {
    QList<QWidget*> children;
    const auto found = orders().constFind(container);
    if (found == orders().constEnd()) {
        for (QObject* o : container->children()) {
            if (o->isWidgetType() && !static_cast<QWidget*>(o)->isWindow()) {
                children.append(static_cast<QWidget*>(o));
            }
        }
        return children;
    }
    for (const QPointer<QWidget>& w : found->children) {
        if (w && w->parentWidget() == container) {
            children.append(w.data());
        }
    }
    return children;
}

void setAccessibleNameIfChanged(QWidget* widget, const QString& name) {
    if (widget->accessibleName() != name) {
        widget->setAccessibleName(name);
    }
}

void setAccessibleDescriptionIfChanged(QWidget* widget, const QString& description) {
    if (widget->accessibleDescription() != description) {
        widget->setAccessibleDescription(description);
    }
}

Announcer::Announcer(QWidget* parent) : QWidget(parent) {
    installFactory();
    setObjectName(QStringLiteral("Announcer"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, 0, 0);
    dropInterfaceOtherThan(this, [](QAccessibleInterface* iface) {
        return dynamic_cast<AnnouncerAccessible*>(iface) != nullptr;
    });
}

void Announcer::announce(const QString& sentence) {
    sentence_ = sentence;
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
    Q_EMIT announced(sentence);
}

} // namespace kvapomer
