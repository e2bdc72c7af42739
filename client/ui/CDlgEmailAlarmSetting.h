// EMAIL: the alarm e-mail of the recorder: on/off, SMTP server and port,
// sender and password, four recipients, title, content, send interval and
// SSL. A text longer than its field shows "Invalid Para!" and is emptied.
//
// Threading: GUI thread.
#pragma once

#include "settings_page.h"

namespace kestrel::ui {

class CDlgEmailAlarmSetting : public SettingsPage {
    Q_OBJECT

public:
    CDlgEmailAlarmSetting(client::ClientContext& context, QWidget* parent);

    const QwEmailAttr& Record() const { return record_; }
    QLineEdit* ServerBox() const { return server_; }
    QLineEdit* PortBox() const { return port_; }

protected:
    ReadResult ReadRecords() override;
    std::vector<SaveStep> SaveSteps() override;
    void ShowChannel(int) override {}

private:
    QwEmailAttr record_{};
    QLineEdit* server_ = nullptr;
    QLineEdit* port_ = nullptr;
};

}  // namespace kestrel::ui
