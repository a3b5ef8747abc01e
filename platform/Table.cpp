#include "Table.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPixmap>
#include <QTreeWidget>

#include "Controls.h"
#include "Platform.h"

namespace hx {

namespace {

QString Utf8(const std::string &text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

void Post(int control, int type, int64_t row) {
    Event event;
    event.window = ControlWindow(control);
    event.control = control;
    event.kind = EventControl;
    event.type = type;
    event.data = row;
    PostEvent(event);
}

// Enter on a row opens it, as a double click does.
class TableWidget : public QTreeWidget {
public:
    explicit TableWidget(int number) : number_(number) {}

protected:
    void keyPressEvent(QKeyEvent *event) override {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
            Post(number_, TableRowOpened, indexOfTopLevelItem(currentItem()));
            event->accept();
            return;
        }
        QTreeWidget::keyPressEvent(event);
    }

private:
    int number_;
};

TableWidget *Find(int number) { return dynamic_cast<TableWidget *>(ControlWidget(number)); }

QIcon SwatchIcon(uint32_t colour) {
    QPixmap square(12, 12);
    square.fill(QColor(colour & 255, (colour >> 8) & 255, (colour >> 16) & 255));
    return QIcon(square);
}

}  // namespace

void CreateTable(int number, int window, int x, int y, int width, int height,
                 const std::vector<std::string> &columns, const std::vector<int> &widths) {
    QWidget *area = WindowControlArea(window);
    if (!area || number < 0) return;
    auto *table = new TableWidget(number);
    table->setParent(area);
    table->setGeometry(x, y, width, height);
    table->setFont(area->font());
    table->setRootIsDecorated(false);
    table->setUniformRowHeights(true);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setColumnCount(static_cast<int>(columns.size()));
    QStringList titles;
    for (const std::string &title : columns) titles << Utf8(title);
    table->setHeaderLabels(titles);
    for (size_t i = 0; i < widths.size() && i < columns.size(); ++i)
        if (widths[i] > 0) table->setColumnWidth(static_cast<int>(i), widths[i]);
    table->header()->setStretchLastSection(true);
    table->show();
    RegisterControl(number, window, table);
    QObject::connect(table, &QTreeWidget::currentItemChanged, table, [number, table](QTreeWidgetItem *item) {
        // Keys move the selection too; a change made by the program is not the user's.
        if (!item || table->property("hxProgramChange").toBool()) return;
        Post(number, ControlActivated, table->indexOfTopLevelItem(item));
    });
    QObject::connect(table, &QTreeWidget::itemDoubleClicked, table, [number, table](QTreeWidgetItem *item) {
        Post(number, TableRowOpened, table->indexOfTopLevelItem(item));
    });
}

void SetTableRows(int number, const std::vector<TableRow> &rows) {
    TableWidget *table = Find(number);
    if (!table) return;
    const int selected = TableSelectedRow(number);
    table->setProperty("hxProgramChange", true);
    table->clear();
    for (const TableRow &row : rows) {
        auto *item = new QTreeWidgetItem(table);
        for (size_t c = 0; c < row.Cells.size(); ++c) {
            item->setText(static_cast<int>(c), Utf8(row.Cells[c]));
            // A text cut off by its column can still be read whole.
            item->setToolTip(static_cast<int>(c), Utf8(row.Cells[c]));
        }
        if ((row.Swatch >> 24) != 0) item->setIcon(0, SwatchIcon(row.Swatch));
    }
    if (selected >= 0 && selected < table->topLevelItemCount()) table->setCurrentItem(table->topLevelItem(selected));
    table->setProperty("hxProgramChange", false);
}

int TableRowCount(int number) {
    TableWidget *table = Find(number);
    return table ? table->topLevelItemCount() : 0;
}

std::string TableCell(int number, int row, int column) {
    TableWidget *table = Find(number);
    if (!table || row < 0 || row >= table->topLevelItemCount()) return {};
    const QByteArray text = table->topLevelItem(row)->text(column).toUtf8();
    return std::string(text.constData(), static_cast<size_t>(text.size()));
}

int TableSelectedRow(int number) {
    TableWidget *table = Find(number);
    if (!table || !table->currentItem() || !table->currentItem()->isSelected()) return -1;
    return table->indexOfTopLevelItem(table->currentItem());
}

void SelectTableRow(int number, int row) {
    TableWidget *table = Find(number);
    if (!table) return;
    table->setProperty("hxProgramChange", true);
    if (row >= 0 && row < table->topLevelItemCount()) {
        table->setCurrentItem(table->topLevelItem(row));
    } else {
        table->clearSelection();
        table->setCurrentItem(nullptr);
    }
    table->setProperty("hxProgramChange", false);
}

void ActivateTableRow(int number, int row, bool opened) {
    TableWidget *table = Find(number);
    if (!table || row < 0 || row >= table->topLevelItemCount()) return;
    SelectTableRow(number, row);
    Post(number, opened ? TableRowOpened : ControlActivated, row);
}

}  // namespace hx
