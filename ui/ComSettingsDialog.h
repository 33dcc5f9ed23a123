#pragma once
// "COM Properties": the port and line parameters of a device transfer, edited as the six list
// positions of a ComSettings. A line under the port list says what the chosen COM name stands
// for on this machine, so a user can tell which adapter (or simulated plotter) is COM1.

#include <QDialog>
#include <QString>

#include <memory>
#include <vector>

#include "serial/ComSettings.h"
#include "serial/PortNames.h"

namespace Ui {
class ComSettingsDialogForm;
}

namespace velmar {

inline constexpr char kNoDeviceText[] = "no device";

// The text of the device line for the port at `portIndex` (0 is "COM1") among `ports`:
// "/dev/ttyUSB0 — USB serial adapter", a simulated plotter's own description, or "no device".
QString portDeviceText(const std::vector<SerialPortInfo>& ports, int portIndex);

class ComSettingsDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ComSettingsDialog(QWidget* parent = nullptr);
    ~ComSettingsDialog() override;

    // The six positions the lists show: port 0, baud 4, data bits 3, flow 2, parity 2, stop
    // bits 0 when the dialog is built. Set them before showing it; after OK they are the lists'
    // positions, after Cancel they stay as they were set.
    void setSettings(const ComSettings& settings);
    const ComSettings& settings() const { return settings_; }

    // The whole device line (the label shortens it with "…" when it does not fit).
    const QString& deviceText() const { return deviceText_; }

    // OK: reads the positions back from the lists and ends the dialog.
    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void pushSettings();
    void refreshDevice();

    std::unique_ptr<Ui::ComSettingsDialogForm> form_;
    ComSettings settings_;
    QString deviceText_;
};

// The pages' "COM Settings" button: shows the dialog on a copy of `settings` and copies the
// positions back after OK (true); after Cancel `settings` is unchanged (false).
bool editComSettings(QWidget* parent, ComSettings* settings);

} // namespace velmar
