// The region editor driven with the mouse: drags that flip cells or draw a
// rectangle, what CONFIRM and CANCEL leave in the caller's fields, and the
// motion snapshot under the grid (pictures of both modes go into the build
// tree for people to look at).
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPushButton>
#include <QtTest>

#include "CDlgLocale.h"
#include "snapshot_file.h"
#include "theme.h"
#include "ui_fixture.h"

namespace kestrel::ui_test {
namespace {

using ui::CellRect;
using ui::LocaleParams;
using Cells = client::RegionCells;

QtMessageHandler previous = nullptr;

// The editor, shown, with the mouse on its grid by cell.
struct Editor {
    Editor(UiFixture& fixture, LocaleParams& params) : dialog(fixture.Context(), params) {
        dialog.show();
        (void)QTest::qWaitForWindowExposed(&dialog);
    }
    QPoint Centre(int column, int row) const {
        return {column * grid.CellWidth() + grid.CellWidth() / 2,
                row * grid.CellHeight() + grid.CellHeight() / 2};
    }
    void Drag(QPoint from, QPoint to) {
        QTest::mousePress(&grid, Qt::LeftButton, {}, from);
        QTest::mouseMove(&grid, to);
        QTest::mouseRelease(&grid, Qt::LeftButton, {}, to);
    }
    void Drag(int c0, int r0, int c1, int r1) { Drag(Centre(c0, r0), Centre(c1, r1)); }

    ui::CDlgLocale dialog;
    ui::CSelectStatic& grid = *dialog.Grid();
};

}  // namespace

class RegionEditorTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        widgets::Theme::Apply(*qApp);
        // The offscreen platform cannot confine the cursor and says so on
        // every press.
        previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& where, const QString& text) {
                if (!text.contains(QLatin1String("does not support grabbing the mouse"))) {
                    previous(type, where, text);
                }
            });
    }

    void CellDragsFlipWhatTheyCoverFromEitherEnd() {
        UiFixture fixture;
        LocaleParams params{.columns = 8, .rows = 6};
        Editor editor(fixture, params);
        QCOMPARE(editor.grid.width(), 8 * editor.grid.CellWidth() + 1);

        // Upwards and to the left still takes in the pressed cell; going over
        // the same cells again restores them.
        editor.Drag(3, 2, 1, 1);
        QCOMPARE(editor.grid.Cells(), (Cells{0, 0b1110, 0b1110}));
        editor.Drag(2, 1, 4, 3);
        QCOMPARE(editor.grid.Cells(), (Cells{0, 0b10010, 0b10010, 0b11100}));
        editor.Drag(4, 3, 2, 1);
        editor.Drag(1, 1, 3, 2);
        QCOMPARE(editor.grid.Cells(), Cells{});

        // The far frame line, and beyond it, belong to the last cell.
        const QPoint rightEdge(editor.grid.width() - 1, editor.Centre(0, 5).y());
        editor.Drag(rightEdge, rightEdge + QPoint(40, 40));
        QCOMPARE(editor.grid.Cells(), (Cells{0, 0, 0, 0, 0, 1u << 7}));

        // Counts beyond the twelve 15-bit words, or zero, stay usable.
        editor.grid.resize(300, 300);
        editor.grid.Setup(1, 40, 0);
        QCOMPARE(editor.grid.Columns(), 15);
        QCOMPARE(editor.grid.Rows(), 1);
        QCOMPARE(editor.grid.CellWidth(), 20);
    }

    void RectangleModeGivesOrderedCellUnits() {
        UiFixture fixture;
        LocaleParams params{.mode = 0, .rectangle = {9, 2, 20, 0}};  // reversed, beyond 15 columns
        Editor editor(fixture, params);
        QCOMPARE(editor.dialog.windowTitle(), QStringLiteral("区域覆盖"));
        QCOMPARE(editor.grid.Rectangle(), (CellRect{9, 0, 15, 2}));

        // The press clears the old rectangle; the move shows the cells so far.
        QTest::mousePress(&editor.grid, Qt::LeftButton, {}, editor.Centre(6, 5));
        QVERIFY(editor.grid.Rectangle().Empty());
        QTest::mouseMove(&editor.grid, editor.Centre(2, 7));
        QCOMPARE(editor.grid.DragRectangle(), (CellRect{2, 5, 7, 8}));
        QTest::mouseRelease(&editor.grid, Qt::LeftButton, {}, editor.Centre(3, 1));
        QCOMPARE(editor.grid.Rectangle(), (CellRect{3, 1, 7, 6}));

        // One click is one cell.
        editor.Drag(14, 11, 14, 11);
        editor.dialog.ConfirmButton()->click();
        QCOMPARE(editor.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(params.rectangle, (std::array<uint16_t, 4>{14, 11, 15, 12}));
    }

    void ConfirmMergesTheCellsAndCancelLeavesTheFields() {
        UiFixture fixture;
        // Column 12 and row 7 lie outside the grid: not its to change.
        LocaleParams params{.columns = 10, .rows = 4, .cells = {0b11, 0, 1u << 12, 0, 0, 0, 0, 1}};
        const Cells before = params.cells;
        {
            Editor editor(fixture, params);
            QCOMPARE(editor.dialog.windowTitle(), QStringLiteral("MOTION"));
            editor.Drag(0, 0, 1, 1);
            editor.dialog.CancelButton()->click();
            QCOMPARE(editor.dialog.result(), int(QDialog::Rejected));
        }
        QCOMPARE(params.cells, before);

        {
            Editor editor(fixture, params);
            // A starting cell cleared on the grid stays cleared in the result.
            editor.Drag(1, 0, 1, 0);
            editor.Drag(4, 3, 5, 3);
            editor.dialog.ConfirmButton()->click();
            QCOMPARE(editor.dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(params.cells, (Cells{0b1, 0, 1u << 12, 0b110000, 0, 0, 0, 1}));

        Editor cleared(fixture, params);
        cleared.dialog.ClearButton()->click();
        cleared.dialog.Confirm();
        QCOMPARE(params.cells, Cells{});
    }

    void PictureUnderTheGridWhenThereIsOne() {
        UiFixture fixture;
        LocaleParams params{.cells = {0, 0, 0, 0, 0b111000}, .rectangle = {2, 3, 9, 8}};
        {
            Editor editor(fixture, params);
            editor.grid.grab();
            QVERIFY(!editor.grid.PictureLoaded());
            editor.Drag(0, 0, 0, 0);
            QCOMPARE(editor.grid.Cells()[0], uint16_t{1});
        }

        // Plain where the test reads, something to recognise elsewhere.
        const QString path = QString::fromStdString(client::MotionSnapshotPath());
        QDir().mkpath(QFileInfo(path).path());
        const QColor colour(0xc0, 0x80, 0x40);
        QImage picture(704, 576, QImage::Format_RGB32);
        picture.fill(colour);
        QPainter(&picture).fillRect(QRect(300, 260, 360, 316), QColor(0x30, 0x60, 0x30));
        QVERIFY(picture.save(path, "BMP"));

        for (int mode : {1, 0}) {
            params.mode = mode;
            Editor editor(fixture, params);
            const QImage image = editor.grid.grab().toImage();
            QVERIFY(editor.grid.PictureLoaded());
            QCOMPARE(image.pixelColor(editor.Centre(1, 1)), colour);
            const QString name = mode == 1 ? "/region_editor_cells.png" : "/region_editor_rect.png";
            QVERIFY(editor.dialog.grab().save(QCoreApplication::applicationDirPath() + name));
        }
    }
};

}  // namespace kestrel::ui_test

QTEST_MAIN(kestrel::ui_test::RegionEditorTest)
#include "region_editor_test.moc"
