#pragma once
// The progress window of a job: "Converting ...." for a conversion, "Reading..." and
// "Writing..." for the device transfers. It starts the job's worker when it opens, shows the
// job's result log as it grows (a transfer's also with a live line count), and its one button
// stops the worker ("Cancel") or, once the job has ended, just closes the window ("Ok"). The
// Writing window asks between files whether to go on. No close box; Enter and Escape do
// nothing.

#include <QDialog>
#include <QTimer>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/JobWindow.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace Ui {
class ProgressDialogForm;
}

namespace velmar {

struct ConversionJob;
struct DeviceReadJob;
struct DeviceWriteJob;
struct TransferJob;
class DialogService;

inline constexpr char kCancelCaption[] = "Cancel";
inline constexpr char kOkCaption[] = "Ok";
inline constexpr char kDetailsCaption[] = "Details...";
inline constexpr int kVisibleTailLines = 4;
inline constexpr char kReadingCaption[] = "Reading...";
inline constexpr char kWritingCaption[] = "Writing...";
inline constexpr char kReceivedFormat[] = "Received : %d lines";
inline constexpr char kSendedFormat[] = "Sended : %d lines";
// The line count is shown again at most this often while lines keep coming.
inline constexpr int kCounterRepaintMs = 50;

class ProgressDialog : public QDialog, public JobWindow {
    Q_OBJECT
  public:
    // The job stays owned by the caller and must outlive the window. With a dialog service, a
    // job that asked for reports and changed records offers "Details..." when it has completed.
    explicit ProgressDialog(ConversionJob* job, QWidget* parent = nullptr,
                            DialogService* dialogs = nullptr);
    // "Reading..." and "Writing..."; the Writing window asks its question through `dialogs`.
    explicit ProgressDialog(DeviceReadJob* job, QWidget* parent = nullptr);
    ProgressDialog(DeviceWriteJob* job, QWidget* parent, DialogService* dialogs);
    ~ProgressDialog() override;

    // From the worker thread: queued to the window's thread, never waits for it.
    void postMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

    QPlainTextEdit* resultEdit() const;
    QPushButton* actionButton() const;
    QPushButton* detailsButton() const { return details_; }
    // The transfer's line count ("Received : 3 lines"); hidden in the Converting window.
    QLabel* counterLabel() const;
    int lineCounter() const { return lineCounter_; }
    // The job has ended: its final line is shown and the button reads "Ok".
    bool completed() const { return completed_; }
    ConversionJob* job() const { return job_; }

  public slots:
    void reject() override; // Escape and the window manager's close do nothing

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void onJobMessage(unsigned message, std::uintptr_t wParam);
    void appendLog(const std::string& text);
    void showLogTail();
    void onButton();
    // Asks a started job to stop (when it still runs) and waits until its worker has ended.
    void stopWorker();
    void showDetails();
    // The transfer windows.
    void setUpTransfer(const char* caption, int templateId, int editId, int counterId, int buttonId,
                       const char* counterFormat);
    void onTransferMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    void takeLines();
    void showCounter(bool now);
    void askContinue(std::intptr_t fileIndex);

    std::unique_ptr<Ui::ProgressDialogForm> form_;
    ConversionJob* job_;
    std::size_t logOffset_ = 0;
    bool started_ = false;
    bool completed_ = false;
    bool closing_ = false;
    // A transfer: its job (read or write) and the counter.
    TransferJob* transfer_ = nullptr;
    DeviceReadJob* readJob_ = nullptr;
    DeviceWriteJob* writeJob_ = nullptr;
    DialogService* dialogs_ = nullptr;
    QPushButton* details_;
    const char* counterFormat_ = nullptr;
    std::atomic<int> pendingLines_{0}; // counted by the worker, not yet taken by the window
    int lineCounter_ = 0;
    int shownCounter_ = -1;
    QTimer counterTimer_;
};

} // namespace velmar
