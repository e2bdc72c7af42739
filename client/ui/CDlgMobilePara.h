// MOBILE: mobile access on/off, its port, and the network type the recorder
// reports ("2.5G", "2.75G" or "WIFI").
//
// Threading: GUI thread.
#pragma once

#include <QString>

#include "settings_page.h"

class QLabel;

namespace kestrel::ui {

class CDlgMobilePara : public SettingsPage {
    Q_OBJECT

public:
    CDlgMobilePara(client::ClientContext& context, QWidget* parent);

    // The text a stored network type shows as; a value past the list's
    // three kinds shows as its number, so nothing is claimed that is not so.
    static QString NetworkTypeText(int32_t stored);

    QLabel* NetworkType() const { return networkType_; }
    QLineEdit* PortBox() const { return port_; }

protected:
    ReadResult ReadRecords() override;
    std::vector<SaveStep> SaveSteps() override;
    void ShowChannel(int channel) override;

private:
    QwMobileAttr mobile_{};
    QwMobileOwspAttr owsp_{};
    QLabel* networkType_ = nullptr;
    QLineEdit* port_ = nullptr;
};

}  // namespace kestrel::ui
