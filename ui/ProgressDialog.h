#pragma once
// The "Converting ...." window: starts the conversion worker when it opens, shows the job's
// result log as it grows, and its one button stops the worker ("Cancel") or, once the job has
// completed, just closes the window ("Ok"). No close box; Enter and Escape do nothing.

#include <QDialog>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/JobWindow.h"

class QPlainTextEdit;
class QPushButton;

namespace Ui {
class ProgressDialogForm;
}

namespace velmar {

struct ConversionJob;

inline constexpr char kCancelCaption[] = "Cancel";
inline constexpr char kOkCaption[] = "Ok";
inline constexpr char kDetailsCaption[] = "Details...";

class DialogService;
inline constexpr int kVisibleTailLines = 4;

class ProgressDialog : public QDialog, public JobWindow {
    Q_OBJECT
  public:
    // The job stays owned by the caller and must outlive the window. With a dialog service, a
    // job that asked for reports and changed records offers "Details..." when it has completed.
    explicit ProgressDialog(ConversionJob* job, QWidget* parent = nullptr,
                            DialogService* dialogs = nullptr);
    ~ProgressDialog() override;

    // From the worker thread: queued to the window's thread, never waits for it.
    void postMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

    QPlainTextEdit* resultEdit() const;
    QPushButton* actionButton() const;
    QPushButton* detailsButton() const { return details_; }
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
    void onButton();
    void showDetails();

    std::unique_ptr<Ui::ProgressDialogForm> form_;
    ConversionJob* job_;
    std::size_t logOffset_ = 0;
    bool started_ = false;
    bool completed_ = false;
    bool closing_ = false;
    DialogService* dialogs_;
    QPushButton* details_;
};

} // namespace velmar
