#include "CDlgLocalSetting.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include "CDlgRealAv.h"
#include "text_ids.h"
#include "theme.h"

namespace kestrel::ui {

namespace {

using widgets::Theme;

constexpr int kPanelWidth = 760;
constexpr int kHeadingHeight = 48;
constexpr int kInset = 28;  // the heading lines up with the labels

struct FolderRow {
    int labelTextId;
    const char* name;  // object names: <name>Label, <name>Field, <name>Browse
};
constexpr FolderRow kRows[] = {
    {client::kTextRecordSavePath, "record"},
    {client::kTextFrameSavePath, "frame"},
    {client::kTextFileSavePath, "file"},
};

// The box that holds the three folders, with its heading painted on top.
class SettingsPanel : public QWidget {
public:
    SettingsPanel(QString heading, QWidget* parent)
        : QWidget(parent), heading_(std::move(heading)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath outline;
        outline.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
        painter.fillPath(outline, Theme::kPanel);
        painter.setPen(QColor(0x4b, 0x51, 0x5b));
        painter.drawPath(outline);
        painter.fillRect(QRectF(kInset, kHeadingHeight - 2, width() - 2 * kInset, 1),
                         Theme::kAccent);
        QFont font = Theme::TitleFont();
        font.setPixelSize(16);
        painter.setFont(font);
        painter.setPen(Theme::kText);
        painter.drawText(QRect(kInset, 0, width() - 2 * kInset, kHeadingHeight - 2),
                         Qt::AlignLeft | Qt::AlignVCenter, heading_);
    }

private:
    QString heading_;
};

QString DefaultChooser(QWidget* parent, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, QString(), start);
}

}  // namespace

CDlgLocalSetting::CDlgLocalSetting(client::ClientContext& context, CDlgRealAv* live,
                                   QWidget* parent)
    : PageWidget(context, parent), live_(live), chooser_(DefaultChooser) {
    RegisterPage(client::PageId::kLocalSettingsPage);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(24, 40, 24, 24);
    auto* panel = new SettingsPanel(Text(client::kTextLocalSetting), this);
    panel->setFixedWidth(kPanelWidth);
    auto* centre = new QHBoxLayout;
    centre->addStretch(1);
    centre->addWidget(panel);
    centre->addStretch(1);
    page->addLayout(centre);
    page->addStretch(1);

    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(kInset, kHeadingHeight + 20, kInset, 24);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(14);
    grid->setColumnStretch(1, 1);

    QFont labelFont = Theme::BaseFont();
    labelFont.setPixelSize(15);
    for (int i = 0; i < 3; ++i) {
        const QString name = QLatin1String(kRows[i].name);
        labels_[i] = new QLabel(Text(kRows[i].labelTextId), panel);
        labels_[i]->setObjectName(name + QStringLiteral("Label"));
        labels_[i]->setFont(labelFont);
        fields_[i] = new QLineEdit(panel);
        fields_[i]->setObjectName(name + QStringLiteral("Field"));
        labels_[i]->setBuddy(fields_[i]);
        browseButtons_[i] = new QPushButton(QStringLiteral("..."), panel);
        browseButtons_[i]->setObjectName(name + QStringLiteral("Browse"));
        browseButtons_[i]->setFixedWidth(40);
        grid->addWidget(labels_[i], i, 0);
        grid->addWidget(fields_[i], i, 1);
        grid->addWidget(browseButtons_[i], i, 2);
        connect(browseButtons_[i], &QPushButton::clicked, this,
                [this, i] { Browse(static_cast<Folder>(i)); });
    }

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    buttons->addStretch(1);
    defaultButton_ = new QPushButton(Text(client::kTextDefault), panel);
    defaultButton_->setObjectName(QStringLiteral("defaultButton"));
    applyButton_ = new QPushButton(Text(client::kTextApply), panel);
    applyButton_->setObjectName(QStringLiteral("applyButton"));
    applyButton_->setStyleSheet(
        QStringLiteral("QPushButton { background: #1b4f7a; border-color: #00a8ff; }"
                       "QPushButton:pressed { background: #00a8ff; }"));
    for (QPushButton* button : {defaultButton_, applyButton_}) {
        button->setMinimumSize(110, 30);
        buttons->addWidget(button);
    }
    grid->addLayout(buttons, 3, 0, 1, 3);
    connect(defaultButton_, &QPushButton::clicked, this, &CDlgLocalSetting::PressDefault);
    connect(applyButton_, &QPushButton::clicked, this, &CDlgLocalSetting::PressApply);

    setFocusProxy(fields_[kRecordFolder]);
    FillFromContext();
}

QString CDlgLocalSetting::Stored(Folder folder) const {
    switch (folder) {
        case kRecordFolder:
            return QString::fromStdString(Context().GetVideoPath());
        case kFrameFolder:
            return QString::fromStdString(Context().GetFramePath());
        case kFileFolder:
            return QString::fromStdString(Context().GetFilePath());
    }
    return {};
}

void CDlgLocalSetting::FillFromContext() {
    for (int i = 0; i < 3; ++i) {
        fields_[i]->setText(Stored(static_cast<Folder>(i)));
    }
}

QString CDlgLocalSetting::WithOneTrailingSeparator(const QString& folder) {
    QString path = QDir::toNativeSeparators(folder);
    const QChar separator = QDir::separator();
    while (path.endsWith(separator) || path.endsWith(QLatin1Char('/'))) {
        path.chop(1);
    }
    return path + separator;
}

void CDlgLocalSetting::Browse(Folder folder) {
    QLineEdit* field = fields_[folder];
    const QString chosen = chooser_ ? chooser_(this, field->text()) : QString();
    if (chosen.isEmpty()) {
        field->setText(Stored(folder));
    } else {
        field->setText(WithOneTrailingSeparator(chosen));
    }
}

void CDlgLocalSetting::PressDefault() {
    const QString backup = QString::fromStdString(Context().GetBackupPath());
    for (QLineEdit* field : fields_) {
        field->setText(backup);
    }
}

void CDlgLocalSetting::PressApply() {
    for (int i = 0; i < 3; ++i) {
        lastRead_[i] = fields_[i]->text();
    }
    Context().SetVideoPath(lastRead_[kRecordFolder].toStdString());
    Context().SetFramePath(lastRead_[kFrameFolder].toStdString());
    Context().SetFilePath(lastRead_[kFileFolder].toStdString());
    // Show what was stored: a path over the limit is kept shortened.
    FillFromContext();
}

void CDlgLocalSetting::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();  // the page stays as it is
            return;
        default:
            PageWidget::keyPressEvent(event);
    }
}

void CDlgLocalSetting::closeEvent(QCloseEvent* event) {
    if (live_ != nullptr) {
        live_->ShowRecordMarkers(true);
    }
    PageWidget::closeEvent(event);
}

}  // namespace kestrel::ui
