// Velmar Toolkit, the desktop program.

#include <QApplication>

#include "ui/ToolkitApp.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    velmar::ToolkitApp toolkit;
    return toolkit.run();
}
