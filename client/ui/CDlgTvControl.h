// The TV tuner dialog behind the channel panel's (normally hidden) TV
// button: the tuner standard, program up and down, an automatic search and
// the switch of the recorder's output between its own picture and the TV.
// Each action goes to the recorder at once; the current program is shown.
//
// Threading: GUI thread; a modal dialog whose calls are the library's short
// synchronous ones, each bounded by its time-out.
#pragma once

#include <QDialog>

#include "client_context.h"
#include "kestrel_net.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace kestrel::ui {

class CDlgTvControl : public QDialog {
    Q_OBJECT

public:
    static constexpr int kStandards = 6;

    CDlgTvControl(client::ClientContext& context, QWidget* parent = nullptr);

    // Reads the tuner's standard and program (the dialog does so when made).
    void Refresh();
    void ChooseStandard(int standard);
    void StepProgram(bool up);
    void AutoSearch();
    void SwitchOutput();

    QComboBox* StandardChoice() const { return standard_; }
    QLabel* ProgramLabel() const { return program_; }
    QPushButton* IncButton() const { return inc_; }
    QPushButton* DecButton() const { return dec_; }
    QPushButton* SearchButton() const { return search_; }
    QPushButton* OutputButton() const { return output_; }

private:
    QW_DVR_HANDLE Handle() const;
    void ShowText(int textId);
    void ShowProgram(int32_t program);

    client::ClientContext& context_;
    QComboBox* standard_ = nullptr;
    QLabel* program_ = nullptr;
    QPushButton* inc_ = nullptr;
    QPushButton* dec_ = nullptr;
    QPushButton* search_ = nullptr;
    QPushButton* output_ = nullptr;
};

}  // namespace kestrel::ui
