// The local settings page: what a chosen or cancelled folder puts into its
// field, and that only APPLY stores the fields.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "CDlgLocalSetting.h"
#include "platform/profile.h"
#include "ui_fixture.h"

namespace kestrel::ui_test {
namespace {

using Page = ui::CDlgLocalSetting;

QByteArray FileBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::string StoredPath(UiFixture& fixture, const char* key) {
    return platform::ReadProfileString(fixture.Context().iniPath, "Path", key, "<missing>");
}

QString Native(const char* path) {
    return QDir::toNativeSeparators(QString::fromLatin1(path));
}

}  // namespace

class LocalSettingTest : public QObject {
    Q_OBJECT

private slots:
    void ChosenFolderGetsOneSeparatorAndCancelRestoresThatField();
    void OnlyApplyStoresTheFields();
};

void LocalSettingTest::ChosenFolderGetsOneSeparatorAndCancelRestoresThatField() {
    UiFixture fixture;
    Page page(fixture.Context(), nullptr, nullptr);
    QString answer;
    QString offered;
    page.SetFolderChooser([&](QWidget*, const QString& start) {
        offered = start;
        return answer;
    });
    auto browse = [&page](const char* name) {
        page.findChild<QPushButton*>(QLatin1String(name))->click();
    };

    answer = QStringLiteral("/data/rec");
    browse("recordBrowse");
    QCOMPARE(offered, QString::fromStdString(fixture.Context().GetVideoPath()));
    QCOMPARE(page.Field(Page::kRecordFolder)->text(), Native("/data/rec/"));
    answer = QStringLiteral("/data/snap//");
    browse("frameBrowse");
    QCOMPARE(page.Field(Page::kFrameFolder)->text(), Native("/data/snap/"));
    answer = QDir::rootPath();
    browse("fileBrowse");
    QCOMPARE(page.Field(Page::kFileFolder)->text(), QDir::toNativeSeparators(QDir::rootPath()));

    // Cancelling puts back what that folder has stored, and only that one.
    answer.clear();
    browse("frameBrowse");
    QCOMPARE(page.Field(Page::kFrameFolder)->text(),
             QString::fromStdString(fixture.Context().GetFramePath()));
    QCOMPARE(page.Field(Page::kRecordFolder)->text(), Native("/data/rec/"));
    browse("recordBrowse");
    QCOMPARE(page.Field(Page::kRecordFolder)->text(),
             QString::fromStdString(fixture.Context().GetVideoPath()));
}

void LocalSettingTest::OnlyApplyStoresTheFields() {
    UiFixture fixture;
    Page page(fixture.Context(), nullptr, nullptr);
    const QByteArray before = FileBytes(fixture.Context().iniPath);
    const std::string videoBefore = fixture.Context().GetVideoPath();

    QTest::keyClicks(page.Field(Page::kRecordFolder), QStringLiteral("x"));
    QTest::keyClick(page.Field(Page::kRecordFolder), Qt::Key_Return);
    page.findChild<QPushButton*>("defaultButton")->click();
    const QString backup = QString::fromStdString(fixture.Context().GetBackupPath());
    for (auto folder : {Page::kRecordFolder, Page::kFrameFolder, Page::kFileFolder}) {
        QCOMPARE(page.Field(folder)->text(), backup);
    }
    QCOMPARE(FileBytes(fixture.Context().iniPath), before);
    QCOMPARE(fixture.Context().GetVideoPath(), videoBefore);

    page.findChild<QPushButton*>("applyButton")->click();
    for (const char* key : {"Videopath", "Framepath", "Filepath"}) {
        QCOMPARE(StoredPath(fixture, key), backup.toStdString());
    }
    QCOMPARE(fixture.Context().GetFilePath(), backup.toStdString());

    // Each field goes to its own key; a path over 259 characters is cut.
    const QString longPath = QStringLiteral("/") + QString(299, QLatin1Char('a'));
    page.Field(Page::kRecordFolder)->setText(longPath);
    page.Field(Page::kFrameFolder)->setText(Native("/snaps/"));
    page.PressApply();
    QCOMPARE(StoredPath(fixture, "Videopath"), longPath.left(259).toStdString());
    QCOMPARE(page.Field(Page::kRecordFolder)->text(), longPath.left(259));
    QCOMPARE(StoredPath(fixture, "Framepath"), Native("/snaps/").toStdString());
    QCOMPARE(StoredPath(fixture, "Filepath"), backup.toStdString());

    // The labels come from the language's table.
    fixture.Context().SetLanguage(client::kLanguageSimplifiedChinese);
    Page chinese(fixture.Context(), nullptr, nullptr);
    QCOMPARE(chinese.findChild<QLabel*>("recordLabel")->text(), QStringLiteral("录像保存路径"));
}

}  // namespace kestrel::ui_test

QTEST_MAIN(kestrel::ui_test::LocalSettingTest)
#include "local_setting_test.moc"
