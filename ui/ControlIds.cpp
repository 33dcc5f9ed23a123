#include "ui/ControlIds.h"

#include <QVariant>

namespace velmar {

QWidget* findControl(QWidget* root, int id) {
    if (root == nullptr) {
        return nullptr;
    }
    const auto matches = [id](const QWidget* widget) {
        const QVariant value = widget->property(kControlIdProperty);
        return value.isValid() && value.toInt() == id;
    };
    if (matches(root)) {
        return root;
    }
    const auto children = root->findChildren<QWidget*>();
    for (QWidget* child : children) {
        if (matches(child)) {
            return child;
        }
    }
    return nullptr;
}

} // namespace velmar
