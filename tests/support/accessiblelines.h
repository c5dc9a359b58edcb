#pragma once
// What a screen reader reads of a list: the names of the list's children as
// Qt's accessibility interface gives them (the interface the platform's
// AT-SPI bridge reads), one per line, in order.

#include <QAccessible>
#include <QStringList>
#include <QWidget>

namespace testing_support {

inline QStringList AccessibleLines(QWidget* list) {
    QStringList lines;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(list);
    if (!iface) return lines;
    for (int k = 0; k < iface->childCount(); ++k) {
        QAccessibleInterface* line = iface->child(k);
        lines << (line ? line->text(QAccessible::Name) : QString());
    }
    return lines;
}

}  // namespace testing_support
