#include "gui/accessible_pop_up.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QStringList>

namespace halix {

namespace {

class NamedPopUp final : public QAccessibleWidget {
public:
    explicit NamedPopUp(QComboBox* popUp) : QAccessibleWidget(popUp, QAccessible::ComboBox) {}

    [[nodiscard]] QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) {
            return popUp()->currentText();
        }
        return QAccessibleWidget::text(kind);
    }

    // Opening the list is what pressing the pop-up does.
    [[nodiscard]] QStringList actionNames() const override {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction()) {
            popUp()->showPopup();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

private:
    [[nodiscard]] QComboBox* popUp() const { return qobject_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* namedPopUpFactory(const QString& className, QObject* object) {
    auto* popUp = qobject_cast<QComboBox*>(object);
    if (className != QLatin1String("QComboBox") || popUp == nullptr ||
        popUp->accessibleName().isEmpty()) {
        return nullptr;
    }
    return new NamedPopUp(popUp);
}

} // namespace

void installPopUpAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(namedPopUpFactory);
        return true;
    }();
    (void)installed;
}

} // namespace halix
