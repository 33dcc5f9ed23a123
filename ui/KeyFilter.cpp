#include "ui/KeyFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace velmar {

namespace {

constexpr char kFilteredProperty[] = "velmarFiltersEnterEscape";

bool isEnterOrEscape(const QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease &&
        type != QEvent::ShortcutOverride) {
        return false;
    }
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

} // namespace

KeyFilter::KeyFilter(QObject* parent) : QObject(parent) {}

void KeyFilter::install(QWidget* widget) {
    if (widget == nullptr) {
        return;
    }
    widget->setProperty(kFilteredProperty, true);
    // One application-wide filter looks at every key before it reaches a widget, as a message
    // filter of the window would; it lives as long as the application.
    static QPointer<KeyFilter> filter;
    if (filter == nullptr && qApp != nullptr) {
        filter = new KeyFilter(qApp);
        qApp->installEventFilter(filter);
    }
}

bool KeyFilter::covers(const QWidget* widget) {
    if (widget == nullptr) {
        return false;
    }
    // The widget itself, or one of its parents up to its window, asked for the filter.
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (w->property(kFilteredProperty).toBool()) {
            return true;
        }
        if (w->isWindow()) {
            break;
        }
    }
    return false;
}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (isEnterOrEscape(event) && watched->isWidgetType() &&
        covers(static_cast<QWidget*>(watched))) {
        // The key becomes "no key": nothing sees it.
        event->accept();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace velmar
