#pragma once
// Enter and Escape do nothing in the main window, its pages and the progress windows: Enter
// never presses a default button and Escape never closes any of them. Other windows (the About
// box, message boxes, file dialogs) keep their usual keys.

#include <QObject>

class QWidget;

namespace velmar {

class KeyFilter : public QObject {
    Q_OBJECT
  public:
    // Makes Enter and Escape do nothing in `widget` and every widget inside it.
    static void install(QWidget* widget);
    // True when the widget or one of its parents within its window has the filter.
    static bool covers(const QWidget* widget);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit KeyFilter(QObject* parent);
};

} // namespace velmar
