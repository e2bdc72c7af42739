#include "CUserLogin.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include "picture_button.h"
#include "text_ids.h"
#include "theme.h"

namespace kestrel::ui {

namespace {

using widgets::Theme;

// The language buttons, left to right; each name in its own language, so an
// operator who cannot read the current one still finds theirs.
struct LanguageButtonInfo {
    int language;
    const char16_t* name;
};
constexpr LanguageButtonInfo kLanguageButtons[] = {
    {client::kLanguageEnglish, u"English"},
    {client::kLanguageSimplifiedChinese, u"简体中文"},
    {client::kLanguageTraditionalChinese, u"繁體中文"},
};

// Sizes at 100 % scale.
constexpr int kPanelWidth = 460;
constexpr int kTitleBandHeight = 56;
constexpr int kLabelMinWidth = 96;
constexpr int kFieldMinWidth = 240;
constexpr int kStatusHeightDvr = 20;
constexpr int kStatusHeightAutoIp = 40;

const QColor kFailureText{0xff, 0x7a, 0x7a};

}  // namespace

// The centred box that holds the form, with the painted page title on top.
class LoginPanel : public QWidget {
public:
    explicit LoginPanel(QWidget* parent) : QWidget(parent) {}

    void SetTitle(const QString& title) {
        title_ = title;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath outline;
        outline.addRoundedRect(box, 8, 8);
        painter.fillPath(outline, Theme::kPanel);

        // Title band: the top of the rounded box only.
        painter.save();
        painter.setClipRect(QRectF(0, 0, width(), kTitleBandHeight));
        painter.fillPath(outline, Theme::kTitleBar);
        painter.restore();
        painter.fillRect(QRectF(0, kTitleBandHeight - 2, width(), 2), Theme::kAccent);

        painter.setPen(QColor(0x4b, 0x51, 0x5b));
        painter.drawPath(outline);

        QFont font = Theme::TitleFont();
        font.setPixelSize(20);
        painter.setFont(font);
        painter.setPen(Theme::kText);
        painter.drawText(QRect(0, 0, width(), kTitleBandHeight - 2), Qt::AlignCenter, title_);
    }

private:
    QString title_;
};

CUserLogin::CUserLogin(client::ClientContext& context, QWidget* parent)
    : PageWidget(context, parent), sequence_(std::make_unique<client::LoginSequence>(context)) {
    RegisterPage(client::PageId::kLoginPage);
    BuildControls();

    addressField_->setText(QString::fromStdString(Context().ip));
    if (Context().mediaPort != 0) {
        mediaPortField_->setText(QString::number(Context().mediaPort));
    }
    userIdField_->setText(QString::fromStdString(Context().user));

    // The list is filled once here, so laying the page out again can never
    // add entries to it.
    modeList_->addItem(QStringLiteral("DVR MODE"));
    modeList_->addItem(QStringLiteral("AUTO_IP MODE"));
    modeList_->setCurrentIndex(client::kLoginModeDvr);
    connect(modeList_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) {
            SetMode(index);
        }
    });

    Relabel();
    FillNetworkList();
    SetMode(client::kLoginModeDvr);
}

CUserLogin::~CUserLogin() {
    // No more UM_LOGIN_STEP for this page; the sequence's destructor then
    // waits for its worker.
    UnregisterPage();
}

void CUserLogin::BuildControls() {
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(16, 10, 16, 16);

    auto* top = new QHBoxLayout;
    top->addStretch(1);
    page->addLayout(top);
    page->addStretch(1);

    panel_ = new LoginPanel(this);
    panel_->setObjectName(QStringLiteral("loginPanel"));
    panel_->setFixedWidth(kPanelWidth);
    auto* centre = new QHBoxLayout;
    centre->addStretch(1);
    centre->addWidget(panel_);
    centre->addStretch(1);
    page->addLayout(centre);
    page->addStretch(1);

    auto* form = new QGridLayout(panel_);
    form->setContentsMargins(36, kTitleBandHeight + 22, 36, 24);
    form->setHorizontalSpacing(14);
    form->setVerticalSpacing(10);
    // Fixed column widths keep the fields in place when the language changes.
    form->setColumnMinimumWidth(0, kLabelMinWidth);
    form->setColumnMinimumWidth(1, kFieldMinWidth);
    form->setColumnStretch(1, 1);

    auto makeLabel = [this](const char* name) {
        auto* label = new QLabel(panel_);
        label->setObjectName(QLatin1String(name));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return label;
    };
    auto makeField = [this](const char* name) {
        auto* field = new QLineEdit(panel_);
        field->setObjectName(QLatin1String(name));
        field->installEventFilter(this);
        return field;
    };

    // Created top to bottom, so the tab order is the reading order.
    modeList_ = new QComboBox(panel_);
    modeList_->setObjectName(QStringLiteral("modeList"));
    form->addWidget(modeList_, 0, 1);

    addressLabel_ = makeLabel("addressLabel");
    addressField_ = makeField("addressField");
    form->addWidget(addressLabel_, 1, 0);
    form->addWidget(addressField_, 1, 1);

    mediaPortLabel_ = makeLabel("mediaPortLabel");
    mediaPortField_ = makeField("mediaPortField");
    form->addWidget(mediaPortLabel_, 2, 0);
    form->addWidget(mediaPortField_, 2, 1);

    setupPortLabel_ = makeLabel("setupPortLabel");
    setupPortField_ = makeField("setupPortField");
    form->addWidget(setupPortLabel_, 3, 0);
    form->addWidget(setupPortField_, 3, 1);

    userIdLabel_ = makeLabel("userIdLabel");
    userIdField_ = makeField("userIdField");
    userIdField_->setMaxLength(client::kMaxUserIdCharacters);
    form->addWidget(userIdLabel_, 4, 0);
    form->addWidget(userIdField_, 4, 1);

    passwordLabel_ = makeLabel("passwordLabel");
    passwordField_ = makeField("passwordField");
    passwordField_->setMaxLength(client::kMaxPasswordCharacters);
    passwordField_->setEchoMode(QLineEdit::Password);
    form->addWidget(passwordLabel_, 5, 0);
    form->addWidget(passwordField_, 5, 1);

    networkLabel_ = makeLabel("networkLabel");
    networkList_ = new QComboBox(panel_);
    networkList_->setObjectName(QStringLiteral("networkList"));
    form->addWidget(networkLabel_, 6, 0);
    form->addWidget(networkList_, 6, 1);

    statusLine_ = new QLabel(panel_);
    statusLine_->setObjectName(QStringLiteral("statusLine"));
    statusLine_->setAlignment(Qt::AlignCenter);
    statusLine_->setWordWrap(true);
    // Hidden until the first login, without the panel changing its size.
    QSizePolicy keepPlace = statusLine_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    statusLine_->setSizePolicy(keepPlace);
    statusLine_->hide();
    form->addWidget(statusLine_, 7, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    loginButton_ = new QPushButton(panel_);
    loginButton_->setObjectName(QStringLiteral("loginButton"));
    loginButton_->setStyleSheet(
        QStringLiteral("QPushButton { background: #1b4f7a; border-color: #00a8ff; }"
                       "QPushButton:pressed { background: #00a8ff; }"));
    resetButton_ = new QPushButton(panel_);
    resetButton_->setObjectName(QStringLiteral("resetButton"));
    for (QPushButton* button : {loginButton_, resetButton_}) {
        button->setMinimumSize(110, 30);
        buttons->addWidget(button);
    }
    form->addLayout(buttons, 8, 0, 1, 2);
    connect(loginButton_, &QPushButton::clicked, this, &CUserLogin::PressLogin);
    connect(resetButton_, &QPushButton::clicked, this, &CUserLogin::PressReset);

    for (size_t i = 0; i < languageButtons_.size(); ++i) {
        const LanguageButtonInfo& info = kLanguageButtons[i];
        auto* button =
            new widgets::PictureButton(widgets::Glyph::kNone, QString::fromUtf16(info.name), this);
        button->setObjectName(QStringLiteral("languageButton%1").arg(info.language));
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setCheckable(true);
        button->setMinimumWidth(84);
        top->addWidget(button);
        connect(button, &QAbstractButton::clicked, this,
                [this, language = info.language] { PressLanguage(language); });
        languageButtons_[i] = button;
    }
}

void CUserLogin::SetMode(int mode) {
    mode_ = mode;
    Context().loginMode = mode;
    const bool dvr = mode != client::kLoginModeAutoIp;
    for (QWidget* row : std::initializer_list<QWidget*>{addressLabel_, addressField_,
                                                        mediaPortLabel_, mediaPortField_}) {
        row->setVisible(dvr);
    }
    statusLine_->setMinimumHeight(dvr ? kStatusHeightDvr : kStatusHeightAutoIp);
    setupPortLabel_->setText(Text(dvr ? client::kTextSetupPort : client::kTextDeviceId));
    ChooseFocusField();
}

void CUserLogin::Relabel() {
    panel_->SetTitle(Text(client::kTextUserLogin));
    addressLabel_->setText(Text(client::kTextIpAddress));
    mediaPortLabel_->setText(Text(client::kTextMediaPort));
    setupPortLabel_->setText(
        Text(mode_ == client::kLoginModeAutoIp ? client::kTextDeviceId : client::kTextSetupPort));
    userIdLabel_->setText(Text(client::kTextUserId));
    passwordLabel_->setText(Text(client::kTextPassword));
    networkLabel_->setText(Text(client::kTextNetwork));
    loginButton_->setText(Text(client::kTextLogin));
    resetButton_->setText(Text(client::kTextReset));
    if (statusTextId_ != 0) {
        statusLine_->setText(Text(statusTextId_));
    }
    for (size_t i = 0; i < languageButtons_.size(); ++i) {
        languageButtons_[i]->setChecked(kLanguageButtons[i].language == Context().language);
    }
    update();
}

void CUserLogin::FillNetworkList() {
    networkList_->clear();
    networkList_->addItem(Text(client::kTextMainStream));
    networkList_->addItem(Text(client::kTextSubStream));
    networkList_->setCurrentIndex(client::kNetworkSubStream);
}

void CUserLogin::PressLanguage(int language) {
    Context().SetLanguage(language);
    Relabel();
    FillNetworkList();
}

void CUserLogin::FillForm(const client::LoginForm& form) {
    modeList_->setCurrentIndex(form.mode == client::kLoginModeAutoIp ? client::kLoginModeAutoIp
                                                                     : client::kLoginModeDvr);
    addressField_->setText(QString::fromStdString(form.address));
    mediaPortField_->setText(QString::fromStdString(form.mediaPort));
    setupPortField_->setText(QString::fromStdString(form.setupOrDevice));
    // setText keeps to the fields' limits, as typing would.
    userIdField_->setText(QString::fromStdString(form.user));
    passwordField_->setText(QString::fromStdString(form.password));
    networkList_->setCurrentIndex(form.network);
    ChooseFocusField();
}

client::LoginForm CUserLogin::ReadForm() const {
    client::LoginForm form;
    form.mode = mode_;
    form.address = addressField_->text().trimmed().toStdString();
    form.mediaPort = mediaPortField_->text().trimmed().toStdString();
    form.setupOrDevice = setupPortField_->text().trimmed().toStdString();
    form.user = userIdField_->text().toStdString();
    form.password = passwordField_->text().toStdString();
    form.network = networkList_->currentIndex();
    return form;
}

void CUserLogin::PressLogin() {
    ShowOutcome(sequence_->Start(ReadForm()));
}

void CUserLogin::PressReset() {
    userIdField_->clear();
    passwordField_->clear();
    ClearStatus();
    ChooseFocusField();
}

void CUserLogin::OnMessage(uint32_t message, intptr_t, intptr_t) {
    if (message == client::UM_LOGIN_STEP) {
        ShowOutcome(sequence_->Continue());
    }
}

void CUserLogin::ShowOutcome(const client::LoginOutcome& outcome) {
    if (outcome.statusText != 0) {
        ShowStatus(outcome.statusText);
    } else if (outcome.pending) {
        // A device ID being looked up is part of the login as well.
        ShowStatus(client::kTextLoggingIn);
    }
}

void CUserLogin::ShowStatus(int textId) {
    statusTextId_ = textId;
    const bool failure = textId != client::kTextLoggingIn;
    statusLine_->setStyleSheet(
        QStringLiteral("color: %1;").arg((failure ? kFailureText : Theme::kAccent).name()));
    statusLine_->setText(Text(textId));
    statusLine_->show();
}

void CUserLogin::ClearStatus() {
    statusTextId_ = 0;
    statusLine_->clear();
}

void CUserLogin::ChooseFocusField() {
    const bool dvr = mode_ != client::kLoginModeAutoIp;
    QLineEdit* choice = passwordField_;
    const std::array<QLineEdit*, 3> candidates =
        dvr ? std::array<QLineEdit*, 3>{addressField_, mediaPortField_, userIdField_}
            : std::array<QLineEdit*, 3>{setupPortField_, userIdField_, nullptr};
    for (QLineEdit* field : candidates) {
        if (field != nullptr && field->text().isEmpty()) {
            choice = field;
            break;
        }
    }
    focusField_ = choice;
}

void CUserLogin::focusInEvent(QFocusEvent* event) {
    // Not a focus proxy: that would take the page's own place in the tab
    // chain and leave the mode list out of it.
    PageWidget::focusInEvent(event);
    focusField_->setFocus(event->reason());
}

bool CUserLogin::eventFilter(QObject* watched, QEvent* event) {
    // Re-activating the window hands the focus back to the same field; only
    // the operator moving into a field clears the message.
    if (event->type() == QEvent::FocusIn && statusTextId_ != 0 &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason &&
        qobject_cast<QLineEdit*>(watched) != nullptr) {
        ClearStatus();
    }
    return PageWidget::eventFilter(watched, event);
}

void CUserLogin::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        PageWidget::keyPressEvent(event);
        return;
    }
    // Enter on RESET or a language button means that button.
    if (auto* button = qobject_cast<QAbstractButton*>(focusWidget());
        button != nullptr && button != loginButton_) {
        button->click();
    } else {
        PressLogin();
    }
    event->accept();
}

void CUserLogin::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient shade(0, 0, 0, height());
    shade.setColorAt(0, Theme::kWindow);
    shade.setColorAt(1, Theme::kWindow.darker(135));
    painter.fillRect(rect(), shade);
}

}  // namespace kestrel::ui
