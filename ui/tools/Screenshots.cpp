// Saves pictures of the desktop program's windows for the documentation: each tab of the main
// window, the About box, the "Converting ...." window of a finished conversion, "COM
// Properties", "Wiring Info" for each device type that has a drawing, and the "Reading..." and
// "Writing..." windows during a transfer.
//
//   velmar-screenshots OUTPUT_FOLDER EXAMPLES_FOLDER
//
// The windows are the program's own, filled as a user would fill them; the conversion runs for
// real on copies of the example HUB file (and one missing file, to show a failure line), and the
// transfers run against the plotter simulator, which stands in for COM1.

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
#include <functional>
#include <memory>
#include <string>

#include "tools/plotter-sim/PlotterSimulator.h"
#include "ui/AboutDialog.h"
#include "ui/AppTexts.h"
#include "ui/ComSettingsDialog.h"
#include "ui/ConvertPage.h"
#include "ui/DialogService.h"
#include "ui/FileDropListBox.h"
#include "ui/FileDropListView.h"
#include "ui/MainTabDialog.h"
#include "ui/MergePage.h"
#include "ui/PageTabCtrl.h"
#include "ui/ProgressDialog.h"
#include "ui/ReadPage.h"
#include "ui/ToolkitApp.h"
#include "ui/WiringInfoDialog.h"
#include "ui/WritePage.h"

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

void clickRadio(QWidget* page, const char* name) {
    page->findChild<QAbstractButton*>(QString::fromLatin1(name))->click();
}

// The desktop's dialogs, except that the Writing window's question is answered Yes.
class AnswerYes : public velmar::QtDialogService {
  public:
    velmar::MessageAnswer message(QWidget* parent, const QString& text, velmar::MessageIcon icon,
                                  velmar::MessageButtons buttons) override {
        if (buttons == velmar::MessageButtons::YesNo) {
            return velmar::MessageAnswer::Yes;
        }
        return QtDialogService::message(parent, text, icon, buttons);
    }
};

// A simulated plotter on a pseudo-terminal of its own, named COM1 while it lives.
class Plotter {
  public:
    explicit Plotter(velmar::sim::SimulatorOptions options) : simulator_(std::move(options)) {
        std::string problem;
        if (simulator_.setUp(&problem) != 0) {
            std::fprintf(stderr, "plotter simulator: %s\n", problem.c_str());
            return;
        }
        port_ = std::make_unique<velmar::ScopedSerialDevices>(
            std::vector<std::string>{simulator_.portPath()});
        simulator_.start();
    }
    ~Plotter() {
        if (port_ != nullptr) {
            simulator_.stop(15);
            simulator_.wait();
        }
    }
    bool ready() const { return port_ != nullptr; }

  private:
    velmar::sim::PlotterSimulator simulator_;
    std::unique_ptr<velmar::ScopedSerialDevices> port_;
};

// Runs `start` (a page's button, which shows a transfer window until it ends) and pictures the
// window once `shows` says it shows the transfer well; then presses its button.
bool pictureTransfer(const std::function<void()>& start,
                     const std::function<bool(velmar::ProgressDialog*)>& shows, const QDir& folder,
                     const QString& name) {
    bool saved = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* window = qobject_cast<velmar::ProgressDialog*>(QApplication::activeModalWidget());
        if (window != nullptr && shows(window)) {
            poll.stop();
            saved = save(window, folder, name);
            window->actionButton()->click();
        }
    });
    poll.start(20);
    start();
    return saved;
}

// Copies of the examples in the work folder: the HUB sources of the conversion (three copies
// and, third, a missing file) and the files a plotter gets (the Series 5 waypoints and routes).
struct ExampleCopies {
    QStringList sources;
    QStringList plotterFiles;
};

ExampleCopies copyExamples(const QDir& examples, const QDir& workDir) {
    ExampleCopies copies;
    const QString hub = examples.filePath(QStringLiteral("harbor-day.hub"));
    for (const char* name : {"harbor-day.hub", "evening-run.hub", "anchorages.hub"}) {
        const QString copy = workDir.filePath(QString::fromLatin1(name));
        QFile::copy(hub, copy);
        copies.sources.append(copy);
    }
    copies.sources.insert(2, workDir.filePath(QStringLiteral("missing.hub")));
    for (const char* name : {"bay-survey.s5.wpt", "bay-survey.s5.rut"}) {
        const QString copy = workDir.filePath(QString::fromLatin1(name));
        QFile::copy(examples.filePath(QString::fromLatin1(name)), copy);
        copies.plotterFiles.append(copy);
    }
    return copies;
}

// Each page filled as a user fills it.
void fillPages(velmar::PageTabCtrl* tabs, const ExampleCopies& copies, const QDir& workDir) {
    // The Convert tab: HUB files to Series 77 into an output folder.
    velmar::ConvertPage* convert = tabs->convertPage();
    for (const QString& path : copies.sources) {
        convert->fileList()->addEntry(path);
    }
    setEditText(convert, "sourceEdit", copies.sources.back());
    setEditText(convert, "folderEdit", workDir.filePath(QStringLiteral("out")));
    convert->findChild<QAbstractButton*>(QStringLiteral("sourceTypeRadio5"))->click();
    convert->findChild<QAbstractButton*>(QStringLiteral("destTypeRadio4"))->click();

    // The Merge tab with two HUB files and an output name.
    velmar::MergePage* merge = tabs->mergePage();
    for (int i = 0; i < 2; ++i) {
        merge->fileList()->addEntry(copies.sources[i]);
    }
    setEditText(merge, "sourceEdit", copies.sources[1]);
    setEditText(merge, "outputEdit", workDir.filePath(QStringLiteral("merged.hub")));
    merge->updateValues(true);

    // The Read tab saving a Series 41 plotter's database; the Write tab with the two Series 5
    // files for a Series 5 plotter (a page takes clicks only while its tab is shown).
    velmar::ReadPage* read = tabs->readPage();
    velmar::WritePage* write = tabs->writePage();
    setEditText(read, "outputEdit", workDir.filePath(QStringLiteral("harbour.s41")));
    read->updateValues(true);
    tabs->setCurrentIndex(3);
    clickRadio(write, "typeRadio1");
    tabs->setCurrentIndex(0);
    for (const QString& path : copies.plotterFiles) {
        write->fileList()->addFile(path);
    }
    setEditText(write, "sourceEdit", copies.plotterFiles.back());
    write->updateValues(true);
}

// The port dialogs as a page shows them: the Series 41 defaults, with COM1 standing for a USB
// adapter (whatever the machine that takes the pictures has), and each wiring drawing.
bool picturePortDialogs(const QDir& output) {
    bool ok = true;
    {
        const velmar::ScopedSerialDevices adapter({"/dev/ttyUSB0"});
        velmar::ComSettings settings;
        velmar::defaultComSettings(&settings, velmar::kSeries41);
        velmar::ComSettingsDialog comProperties;
        comProperties.setSettings(settings);
        comProperties.show();
        ok = save(&comProperties, output, QStringLiteral("com-properties.png")) && ok;
    }
    const char* const wiringNames[] = {"wiring-series41.png", "wiring-series5.png",
                                       "wiring-series6.png"};
    for (int type = velmar::kSeries41; type <= velmar::kSeries6; ++type) {
        velmar::WiringInfoDialog wiring;
        wiring.setDeviceType(type);
        wiring.show();
        ok = save(&wiring, output, QString::fromLatin1(wiringNames[type])) && ok;
    }
    return ok;
}

// The conversion: the window pictured once its button reads "Ok", then closed.
bool pictureConversion(velmar::ConvertPage* convert, const QDir& output) {
    bool ok = true;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* progress = qobject_cast<velmar::ProgressDialog*>(QApplication::activeModalWidget());
        if (progress != nullptr && progress->completed()) {
            poll.stop();
            ok = save(progress, output, QStringLiteral("converting.png"));
            progress->actionButton()->click();
        }
    });
    poll.start(50);
    convert->convert();
    return ok;
}

// A read from a Series 41 plotter that sends a line every quarter second, pictured with a few
// lines in; a write of both files to a Series 5 plotter that answers slowly, pictured during
// the second file.
bool pictureTransfers(velmar::PageTabCtrl* tabs, const QDir& examples, const QDir& output) {
    bool ok = true;
    tabs->setCurrentIndex(2);
    {
        velmar::sim::SimulatorOptions options;
        options.role = velmar::sim::Role::Send;
        options.deviceType = velmar::kSeries41;
        options.sendFile = velmar::localPath(examples.filePath(QStringLiteral("harbour-tour.s41")));
        options.registerPort = false;
        options.startDelayMs = 0;
        options.lineGapMs = 250;
        Plotter plotter(options);
        ok = plotter.ready() &&
             pictureTransfer([&] { tabs->readPage()->read(); },
                             [](velmar::ProgressDialog* w) { return w->lineCounter() >= 4; },
                             output, QStringLiteral("reading.png"));
    }
    tabs->setCurrentIndex(3);
    {
        velmar::sim::SimulatorOptions options;
        options.role = velmar::sim::Role::Receive;
        options.deviceType = velmar::kSeries5;
        options.count = 2;
        options.registerPort = false;
        options.answerDelayMs = 60;
        Plotter plotter(options);
        const auto inSecondFile = [](velmar::ProgressDialog* w) {
            return w->resultEdit()->toPlainText().contains(QStringLiteral("OK : ")) &&
                   w->lineCounter() >= 14;
        };
        ok = plotter.ready() &&
             pictureTransfer([&] { tabs->writePage()->write(); }, inSecondFile, output,
                             QStringLiteral("writing.png")) &&
             ok;
    }
    tabs->setCurrentIndex(0);
    return ok;
}

// Each tab of the main window, the About box (closed by its own button once pictured), the
// conversion's window and the transfer windows.
bool pictureMainWindow(velmar::MainTabDialog* window, const QDir& examples, const QDir& output) {
    bool ok = true;
    velmar::PageTabCtrl* tabs = window->tabCtrl();
    const char* const tabNames[] = {"convert-tab.png", "merge-tab.png", "read-tab.png",
                                    "write-tab.png"};
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        ok = save(window, output, QString::fromLatin1(tabNames[tab])) && ok;
    }
    tabs->setCurrentIndex(0);
    QTimer::singleShot(200, window, [&] {
        if (auto* about = qobject_cast<velmar::AboutDialog*>(QApplication::activeModalWidget())) {
            ok = save(about, output, QStringLiteral("about.png")) && ok;
            about->accept();
        }
    });
    window->systemCommand(velmar::kAboutCommand);
    ok = pictureConversion(tabs->convertPage(), output) && ok;
    ok = pictureTransfers(tabs, examples, output) && ok;
    return ok;
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
    const ExampleCopies copies = copyExamples(examples, workDir);

    AnswerYes dialogs;
    velmar::ToolkitApp toolkit(&dialogs);
    velmar::MainTabDialog* window = toolkit.mainWindow();
    window->show();
    fillPages(window->tabCtrl(), copies, workDir);
    bool ok = picturePortDialogs(output);

    // A window that never finishes must not hang the script.
    QTimer::singleShot(60000, &application, [] {
        std::fprintf(stderr, "screenshots: timed out\n");
        std::_Exit(1);
    });
    QTimer::singleShot(200, &application, [&] {
        ok = pictureMainWindow(window, examples, output) && ok;
        window->reject();
    });
    toolkit.run();
    return ok ? 0 : 1;
}
