#pragma once
// Every numbered control of a form carries its number as the int property "controlId", so the
// program, the tests and tools find controls by the same numbers.

#include <QWidget>

namespace velmar {

inline constexpr char kControlIdProperty[] = "controlId";

// The first widget below `root` (or root itself) whose "controlId" is `id`; null if none.
QWidget* findControl(QWidget* root, int id);

// Same, cast to the control's class; null when missing or of another class.
template <typename T> T* control(QWidget* root, int id) {
    return qobject_cast<T*>(findControl(root, id));
}

} // namespace velmar
