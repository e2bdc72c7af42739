#include "device_list.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <algorithm>
#include <initializer_list>

namespace kestrel::flash::ui {

namespace {

constexpr int kProgressRole = Qt::UserRole;
constexpr int kRangeRole = Qt::UserRole + 1;

struct ColumnInfo {
    const char* caption;
    int width;
    // The widest texts the column shows; the column grows to fit them in
    // fonts wider than the one the widths were chosen for.
    std::initializer_list<const char*> widest;
};
const ColumnInfo kColumns[kColumnCount] = {
    {"IP Address", 120, {"255.255.255.255"}},
    {"Upgrade State", 120, {"Upgrade succeeded", "Upgrade Permission", "Connecting device"}},
    {"Upload Speed(KB/s)", 120, {}},
    {"Run Progress", 140, {}},
    {"Comment", 320, {"Connection of device may take 20 minutes, please wait..."}},
};

// A bar from 0 to the announced image size; nothing before an upload has
// announced one.
class ProgressDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.text.clear();
        QStyle* style = option.widget != nullptr ? option.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &background, painter, option.widget);

        const uint range = index.data(kRangeRole).toUInt();
        if (range == 0) {
            return;
        }
        const uint progress = qMin(index.data(kProgressRole).toUInt(), range);
        // QProgressBar takes int; hundredths keep any 32-bit size in range.
        QStyleOptionProgressBar bar;
        bar.initFrom(option.widget);
        bar.rect = option.rect.adjusted(2, 2, -2, -2);
        bar.state = option.state | QStyle::State_Horizontal;
        bar.minimum = 0;
        bar.maximum = 10000;
        bar.progress = static_cast<int>(uint64_t{progress} * 10000 / range);
        bar.text = QString::number(bar.progress / 100) + QLatin1Char('%');
        bar.textVisible = true;
        bar.textAlignment = Qt::AlignCenter;
        style->drawControl(QStyle::CE_ProgressBar, &bar, painter, option.widget);
    }
};

}  // namespace

QColor RowColour(uint32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

DeviceList::DeviceList(QWidget* parent) : QTableWidget(0, kColumnCount, parent) {
    QStringList captions;
    for (const ColumnInfo& column : kColumns) {
        captions << QString::fromLatin1(column.caption);
    }
    setHorizontalHeaderLabels(captions);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setHighlightSections(false);
    int width = 0;
    const int cellPadding = 4 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 4;
    for (int column = 0; column < kColumnCount; ++column) {
        int needed = horizontalHeader()->fontMetrics().horizontalAdvance(captions[column]) +
                     4 * style()->pixelMetric(QStyle::PM_HeaderMargin);
        for (const char* text : kColumns[column].widest) {
            needed = std::max(needed, fontMetrics().horizontalAdvance(text) + cellPadding);
        }
        if (column == kColumnIp) {
            needed += style()->pixelMetric(QStyle::PM_IndicatorWidth) + cellPadding;
        }
        setColumnWidth(column, std::max(kColumns[column].width, needed));
        width += columnWidth(column);
    }
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    // A whole page without scrolling.
    const int frame = 2 * frameWidth();
    setMinimumSize(width + frame + verticalScrollBar()->sizeHint().width(),
                   horizontalHeader()->sizeHint().height() +
                       kRowsPerPage * verticalHeader()->defaultSectionSize() + frame);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setItemDelegateForColumn(kColumnProgress, new ProgressDelegate(this));

    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, RowColour(kColourDarkBlue));
    setPalette(colours);

    // Only the operator changes items while signals flow: ShowRows blocks them.
    connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* changed) {
        if (changed->column() == kColumnIp) {
            emit TickClicked(changed->row(), changed->checkState() == Qt::Checked);
        }
    });
}

void DeviceList::ShowRows(const std::vector<DeviceRow>& rows) {
    const QSignalBlocker blocker(this);
    setRowCount(static_cast<int>(rows.size()));
    for (int line = 0; line < static_cast<int>(rows.size()); ++line) {
        ShowRow(line, rows[static_cast<size_t>(line)]);
    }
}

void DeviceList::ShowRow(int line, const DeviceRow& row) {
    const QBrush colour(RowColour(row.colour));
    const QString texts[kColumnCount] = {
        QString::fromStdString(row.ip),      QString::fromStdString(row.state),
        QString::fromStdString(row.speed),   QString(),
        QString::fromStdString(row.comment),
    };
    for (int column = 0; column < kColumnCount; ++column) {
        QTableWidgetItem* cell = item(line, column);
        if (cell == nullptr) {
            cell = new QTableWidgetItem;
            Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            if (column == kColumnIp) {
                flags |= Qt::ItemIsUserCheckable;
            }
            cell->setFlags(flags);
            setItem(line, column, cell);
        }
        cell->setText(texts[column]);
        cell->setForeground(colour);
        cell->setToolTip(column == kColumnComment ? texts[column] : QString());
    }
    item(line, kColumnIp)->setCheckState(row.ticked ? Qt::Checked : Qt::Unchecked);
    QTableWidgetItem* progress = item(line, kColumnProgress);
    progress->setData(kProgressRole, row.progress);
    progress->setData(kRangeRole, row.size);
}

}  // namespace kestrel::flash::ui
