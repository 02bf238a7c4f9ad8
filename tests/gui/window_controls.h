// The window's controls as a person reaches them, by keyboard or screen reader: the accessible
// name a screen reader says, and a button's mnemonic.
#pragma once

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>
#include <vector>

namespace halix::test {

// Every button, pop-up and field of `window` itself (the widgets of its dialogs are theirs).
inline std::vector<QWidget*> controlsOf(QWidget& window) {
    std::vector<QWidget*> controls;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(widget) != nullptr ||
                             qobject_cast<QComboBox*>(widget) != nullptr ||
                             qobject_cast<QLineEdit*>(widget) != nullptr;
        if (control && widget->window() == &window) {
            controls.push_back(widget);
        }
    }
    return controls;
}

// What a screen reader is told the control is.
inline QString accessibleNameOf(QWidget* control) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    return accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
}

// The letter after the text's single '&' (lower case); null without one.
inline QChar mnemonicOf(const QAbstractButton* button) {
    const QString text = button->text();
    const qsizetype at = text.indexOf(QLatin1Char('&'));
    if (at < 0 || at + 1 >= text.size() || text.indexOf(QLatin1Char('&'), at + 1) >= 0) {
        return {};
    }
    return text.at(at + 1).toLower();
}

} // namespace halix::test
