// The main window: what shows before and after a login, the page buttons'
// rules, the snapshot result box and the restart at logout.
#include <QtTest>

#include "CDlgMainWnd.h"
#include "ui_fixture.h"

namespace kestrel::ui_test {

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void BeforeLoginOnlyTheLoginPageShows();
};

void MainWindowTest::BeforeLoginOnlyTheLoginPageShows() {
    UiFixture fixture;
    ui::CDlgMainWnd window(fixture.Context());
    window.show();
    QVERIFY(window.LoginPage()->isVisible());
    QVERIFY(!window.PageButton(ui::kPageLive)->isVisible());
    window.ShowPage(ui::kPageLive);
    QVERIFY(window.LoginPage()->isVisible());
    QCOMPARE(window.CurrentPage(), 0);
}

}  // namespace kestrel::ui_test

QTEST_MAIN(kestrel::ui_test::MainWindowTest)
#include "main_window_test.moc"
