#pragma once
// What the "Read" and "Write" tabs share: the device type radios with the model label of the
// checked type, the port settings the page keeps (back to the type's defaults on every click of
// a type radio), and the "COM Settings" and "Wiring Info" buttons.

#include <QString>
#include <QWidget>

#include "serial/ComSettings.h"

class QButtonGroup;
class QLabel;
class QPushButton;

namespace velmar {

class DialogService;

class TransferPage : public QWidget {
    Q_OBJECT
  public:
    int deviceType() const { return deviceType_; }
    const QString& modelLabel() const { return modelLabel_; }
    const ComSettings& comSettings() const { return comSettings_; }

    // Reads the controls into the values (true) or pushes the values into the controls (false).
    virtual void updateValues(bool readBack) = 0;

  public slots:
    // "COM Settings": the settings after OK, unchanged after Cancel.
    void editComSettings();
    // "Wiring Info" for the page's device type.
    void showWiring();

  protected:
    TransferPage(DialogService& dialogs, QWidget* parent);

    // After the form is set up: the six type radios from `firstRadioId`, the model label and
    // the two port buttons. Series 41 is checked and its defaults are the port settings.
    void initTransferControls(int firstRadioId, QLabel* models, QPushButton* comButton,
                              QPushButton* wiringButton);
    // The model label and the device type (the page's other values are its own).
    void exchangeDeviceValues(bool readBack);
    // The model label of the device type.
    void showModelLabel();

    DialogService& dialogs_;

  private:
    void deviceTypeChanged();

    QButtonGroup* typeGroup_ = nullptr;
    QLabel* models_ = nullptr;
    QString modelLabel_;
    int deviceType_ = kSeries41;
    ComSettings comSettings_;
};

} // namespace velmar
