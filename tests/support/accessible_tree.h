#pragma once
// A window as a screen reader walks it: the accessible tree, depth first.

#include <QAccessible>
#include <QStringList>
#include <QWidget>

#include <ostream>
#include <vector>

// Readable failure messages for texts and lists of texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace kvapomer::test {

struct AccessibleNode {
    QString name;
    QString description;
    QAccessible::Role role = QAccessible::NoRole;
    QObject* object = nullptr;
    bool interactive = false; // takes focus or is a control the user works
    bool control() const { return object && object->isWidgetType(); } // not a list entry
};

inline void walkAccessible(QAccessibleInterface* iface, std::vector<AccessibleNode>& out) {
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        if (!child) {
            continue;
        }
        const QAccessible::Role role = child->role();
        const bool control = role == QAccessible::PushButton || role == QAccessible::EditableText ||
                             role == QAccessible::List || role == QAccessible::CheckBox;
        out.push_back({child->text(QAccessible::Name), child->text(QAccessible::Description), role,
                       child->object(), control || child->state().focusable});
        walkAccessible(child, out);
    }
}

// Every object below `window`, in reading order.
inline std::vector<AccessibleNode> accessibleTree(QWidget* window) {
    std::vector<AccessibleNode> nodes;
    walkAccessible(QAccessible::queryAccessibleInterface(window), nodes);
    return nodes;
}

// The non-empty names, in reading order.
inline QStringList readNames(QWidget* window) {
    QStringList names;
    for (const AccessibleNode& node : accessibleTree(window)) {
        if (!node.name.isEmpty()) {
            names << node.name;
        }
    }
    return names;
}

inline QString accessibleText(QObject* object, QAccessible::Text text) {
    return QAccessible::queryAccessibleInterface(object)->text(text);
}

} // namespace kvapomer::test
