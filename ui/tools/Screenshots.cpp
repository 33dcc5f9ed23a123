// Saves pictures of the desktop program's windows for the documentation: each tab of the main
// window, the About box, the "Converting ...." window of a finished conversion, "COM
// Properties", and "Wiring Info" for each device type that has a drawing.
//
//   velmar-screenshots OUTPUT_FOLDER EXAMPLES_FOLDER
//
// The windows are the program's own, filled as a user would fill them; the conversion runs for
// real on copies of the example HUB file (and one missing file, to show a failure line).

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include "ui/AboutDialog.h"
#include "ui/AppTexts.h"
#include "ui/ComSettingsDialog.h"
#include "ui/ConvertPage.h"
#include "ui/FileDropListBox.h"
#include "ui/MainTabDialog.h"
#include "ui/MergePage.h"
#include "ui/PageTabCtrl.h"
#include "ui/ProgressDialog.h"
#include "ui/ToolkitApp.h"
#include "ui/WiringInfoDialog.h"

namespace {

bool save(QWidget* widget, const QDir& folder, const QString& name) {
    QApplication::processEvents();
    const QString path = folder.filePath(name);
    if (!widget->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

void setEditText(QWidget* page, const char* name, const QString& text) {
    if (auto* edit = page->findChild<QLineEdit*>(QString::fromLatin1(name))) {
        edit->setText(text);
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: velmar-screenshots OUTPUT_FOLDER EXAMPLES_FOLDER\n");
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    const QDir examples(QString::fromLocal8Bit(argv[2]));
    if (!QDir().mkpath(output.absolutePath())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/charts-XXXXXX"));
    if (!work.isValid()) {
        return 1;
    }
    const QDir workDir(work.path());
    QDir().mkpath(workDir.filePath(QStringLiteral("out")));
    const QString hub = examples.filePath(QStringLiteral("harbor-day.hub"));
    QStringList sources;
    for (const char* name : {"harbor-day.hub", "evening-run.hub", "anchorages.hub"}) {
        const QString copy = workDir.filePath(QString::fromLatin1(name));
        QFile::copy(hub, copy);
        sources.append(copy);
    }
    sources.insert(2, workDir.filePath(QStringLiteral("missing.hub")));

    velmar::ToolkitApp toolkit;
    velmar::MainTabDialog* window = toolkit.mainWindow();
    window->show();
    velmar::PageTabCtrl* tabs = window->tabCtrl();
    velmar::ConvertPage* convert = tabs->convertPage();
    velmar::MergePage* merge = tabs->mergePage();

    // The Convert tab as a user fills it: HUB files to Series 77 into an output folder.
    for (const QString& path : sources) {
        convert->fileList()->addEntry(path);
    }
    setEditText(convert, "sourceEdit", sources.back());
    setEditText(convert, "folderEdit", workDir.filePath(QStringLiteral("out")));
    convert->findChild<QAbstractButton*>(QStringLiteral("sourceTypeRadio5"))->click();
    convert->findChild<QAbstractButton*>(QStringLiteral("destTypeRadio4"))->click();

    // The Merge tab with two HUB files and an output name.
    for (int i = 0; i < 2; ++i) {
        merge->fileList()->addEntry(sources[i]);
    }
    setEditText(merge, "sourceEdit", sources[1]);
    setEditText(merge, "outputEdit", workDir.filePath(QStringLiteral("merged.hub")));
    merge->updateValues(true);

    bool ok = true;
    // The port dialogs as a page shows them: the Series 41 defaults, with COM1 standing for a
    // USB adapter (whatever the machine that takes the pictures has).
    {
        const velmar::ScopedSerialDevices adapter({"/dev/ttyUSB0"});
        velmar::ComSettings settings;
        velmar::defaultComSettings(&settings, velmar::kDeviceSeries41);
        velmar::ComSettingsDialog comProperties;
        comProperties.setSettings(settings);
        comProperties.show();
        ok = save(&comProperties, output, QStringLiteral("com-properties.png")) && ok;
    }
    const char* const wiringNames[] = {"wiring-series41.png", "wiring-series5.png",
                                       "wiring-series6.png"};
    for (int type = velmar::kDeviceSeries41; type <= velmar::kDeviceSeries6; ++type) {
        velmar::WiringInfoDialog wiring;
        wiring.setDeviceType(type);
        wiring.show();
        ok = save(&wiring, output, QString::fromLatin1(wiringNames[type])) && ok;
    }

    // A window that never finishes must not hang the script.
    QTimer::singleShot(60000, &application, [] {
        std::fprintf(stderr, "screenshots: timed out\n");
        std::_Exit(1);
    });

    QTimer::singleShot(200, &application, [&] {
        ok = save(window, output, QStringLiteral("convert-tab.png")) && ok;
        tabs->setCurrentIndex(1);
        ok = save(window, output, QStringLiteral("merge-tab.png")) && ok;
        tabs->setCurrentIndex(0);

        // The About box, closed by its own button once pictured.
        QTimer::singleShot(200, &application, [&] {
            if (auto* about =
                    qobject_cast<velmar::AboutDialog*>(QApplication::activeModalWidget())) {
                ok = save(about, output, QStringLiteral("about.png")) && ok;
                about->accept();
            }
        });
        window->systemCommand(velmar::kAboutCommand);

        // The conversion: picture the window once its button reads "Ok", then close it.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &application, [&] {
            auto* progress =
                qobject_cast<velmar::ProgressDialog*>(QApplication::activeModalWidget());
            if (progress != nullptr && progress->completed()) {
                poll.stop();
                ok = save(progress, output, QStringLiteral("converting.png")) && ok;
                progress->actionButton()->click();
            }
        });
        poll.start(50);
        convert->convert();
        window->reject();
    });

    toolkit.run();
    return ok ? 0 : 1;
}
