#pragma once
// "Wiring Info": the cable between the PC's serial port and the chosen device type, drawn by
// the dialog itself. Series 41, Series 5 and Series 6 have a drawing; the other types show only
// the OK button.

#include <QDialog>
#include <QRect>

#include <array>
#include <memory>

class QSvgRenderer;

namespace Ui {
class WiringInfoDialogForm;
}

namespace velmar {

// Where the drawing goes in the dialog, in device-independent pixels.
inline constexpr QRect kWiringPictureRect(10, 10, 560, 218);

class WiringInfoDialog : public QDialog {
    Q_OBJECT
  public:
    explicit WiringInfoDialog(QWidget* parent = nullptr);
    ~WiringInfoDialog() override;

    // The device type index of the Read and Write pages (0 Series 41 ... 5 HUB).
    void setDeviceType(int deviceType);
    int deviceType() const { return deviceType_; }

    // The drawing for the device type, or null when the type has none.
    QSvgRenderer* picture() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::unique_ptr<Ui::WiringInfoDialogForm> form_;
    int deviceType_ = 0;
    // Series 41, Series 5 and Series 6, loaded when the dialog is built.
    std::array<std::unique_ptr<QSvgRenderer>, 3> pictures_;
};

// The pages' "Wiring Info" button: shows the dialog for `deviceType` until OK.
void showWiringInfo(QWidget* parent, int deviceType);

} // namespace velmar
