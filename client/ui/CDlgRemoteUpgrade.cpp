#include "CDlgRemoteUpgrade.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "text_ids.h"

namespace kestrel::ui {
namespace {

#ifdef Q_OS_WIN
const QString kToolName = QStringLiteral("KestrelFlash.exe");
#else
const QString kToolName = QStringLiteral("KestrelFlash");
#endif

}  // namespace

CDlgRemoteUpgrade::CDlgRemoteUpgrade(client::ClientContext& context, QWidget* parent)
    : PageWidget(context, parent), programFolder_(QCoreApplication::applicationDirPath()) {
    setObjectName(QStringLiteral("remoteUpgradePage"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 10, 12, 10);
    column->setSpacing(8);
    button_ = new QPushButton(Text(client::kTextRemoteUpgrade), this);
    button_->setObjectName(QStringLiteral("remoteUpgradeButton"));
    button_->setMinimumWidth(150);
    const int32_t level = Context().rights.level;
    const bool administrator = level == 10 || level == 11;
    button_->setVisible(administrator);
    connect(button_, &QPushButton::clicked, this, [this] { Launch(); });
    column->addWidget(button_, 0, Qt::AlignLeft);
    auto* area = new QFrame(this);
    area->setFrameShape(QFrame::StyledPanel);
    auto* inside = new QVBoxLayout(area);
    inside->setContentsMargins(14, 12, 14, 12);
    auto* hint = new QLabel(Text(client::kTextRemoteUpgradeHint), area);
    hint->setWordWrap(true);
    hint->setVisible(administrator);  // it speaks of the button
    inside->addWidget(hint);
    inside->addStretch(1);
    column->addWidget(area, 1);
}

QString CDlgRemoteUpgrade::FindProgram() const {
    const QFileInfo beside(QDir(programFolder_).filePath(kToolName));
    if (beside.isFile() && beside.isExecutable()) {
        return beside.absoluteFilePath();
    }
    const QString onPath = QStandardPaths::findExecutable(kToolName);
    return onPath.isEmpty() ? kToolName : onPath;
}

void CDlgRemoteUpgrade::Launch() {
    programPath_ = FindProgram();
    // Not reported to the operator; the log says what was tried.
    if (!QProcess::startDetached(programPath_, {})) {
        Context().WriteLog("Remote upgrade: could not start " + programPath_.toStdString());
    }
}

}  // namespace kestrel::ui
