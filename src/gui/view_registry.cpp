#include "gui/view_registry.h"

namespace halix {

QtView* ViewRegistry::viewFor(QWidget* widget) {
    if (widget == nullptr) {
        return nullptr;
    }
    std::unique_ptr<QtView>& view = mViews[widget];
    // A widget deleted and another made at the same address gets a fresh view; the old one
    // stays alive (reading as empty) because someone may still hold it.
    if (view && view->widget() != widget) {
        mRetired.push_back(std::move(view));
    }
    if (!view) {
        view = std::make_unique<QtView>(widget, *this);
    }
    return view.get();
}

} // namespace halix
