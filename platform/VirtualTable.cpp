#include "VirtualTable.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>

#include <algorithm>
#include <climits>

#include "Controls.h"
#include "Event.h"
#include "Platform.h"

namespace hx {

namespace {

int ModifierBits(Qt::KeyboardModifiers modifiers) {
    return ((modifiers & Qt::ShiftModifier) ? ModShift : 0) | ((modifiers & Qt::AltModifier) ? ModAlt : 0) |
           ((modifiers & Qt::ControlModifier) ? ModControl : 0);
}

void Post(int control, int type, int64_t data, int key = 0, int modifiers = 0) {
    Event event;
    event.window = ControlWindow(control);
    event.control = control;
    event.kind = EventControl;
    event.type = type;
    event.data = data;
    event.input.key = key;
    event.input.modifiers = modifiers;
    PostEvent(event);
}

class Model : public QAbstractTableModel {
public:
    explicit Model(const std::vector<std::string> &titles) {
        for (const std::string &t : titles) titles_ << QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
    }
    int rowCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : static_cast<int>(titles_.size()); }
    QVariant data(const QModelIndex &index, int role) const override {
        if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole || !text_ || !index.isValid()) return {};
        const std::string s = text_(index.row(), index.column());
        return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= titles_.size())
            return {};
        return titles_[section];
    }
    void set(int rows, TableText text) {
        text_ = std::move(text);
        if (rows >= rows_) {
            if (rows > rows_) {
                beginInsertRows(QModelIndex(), rows_, rows - 1);
                rows_ = rows;
                endInsertRows();
            }
            // Rows already shown may read differently now (a range that grew).
            if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columnCount(QModelIndex()) - 1));
            return;
        }
        beginResetModel();
        rows_ = rows;
        endResetModel();
    }
    int rows() const { return rows_; }

private:
    QStringList titles_;
    int rows_ = 0;
    TableText text_;
};

class Table : public QTableView {
public:
    Table(int number, const std::vector<std::string> &titles) : number_(number), model_(titles) {
        setModel(&model_);
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        verticalHeader()->hide();
        // Rows of one height need no measuring: a million rows cost nothing.
        verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
        horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
        setWordWrap(false);
        connect(this, &QTableView::clicked, this, [this](const QModelIndex &index) { choose(index.row()); });
        connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this](const QModelIndex &current) {
                    // Keys move the selection too; a change made by the program is not the user's.
                    if (!programChange_ && hasFocus() && current.isValid()) choose(current.row());
                });
    }
    Model &model() { return model_; }
    bool programChange_ = false;

protected:
    void keyPressEvent(QKeyEvent *event) override {
        if (event->key() >= Qt::Key_F1 && event->key() <= Qt::Key_F35) {
            Post(number_, CanvasKeyDown, 0, event->key(), ModifierBits(event->modifiers()));
            return;
        }
        QTableView::keyPressEvent(event);
    }

private:
    void choose(int row) { Post(number_, ControlActivated, row); }
    int number_;
    Model model_;
};

Table *TableOf(int number) { return dynamic_cast<Table *>(ControlWidget(number)); }

}  // namespace

void CreateVirtualTable(int number, int window, int x, int y, int width, int height,
                        const std::vector<std::string> &titles) {
    QWidget *area = WindowControlArea(window);
    if (!area || number < 0) return;
    auto *table = new Table(number, titles);
    table->setParent(area);
    table->setGeometry(x, y, width, height);
    table->setFont(area->font());
    table->show();
    RegisterControl(number, window, table);
}

void SetVirtualTableRows(int number, int64_t rows, TableText text) {
    Table *table = TableOf(number);
    if (!table) return;
    table->model().set(static_cast<int>(std::clamp<int64_t>(rows, 0, INT_MAX)), std::move(text));
}

int64_t VirtualTableRows(int number) {
    Table *table = TableOf(number);
    return table ? table->model().rows() : 0;
}

void SelectVirtualTableRow(int number, int64_t row) {
    Table *table = TableOf(number);
    if (!table) return;
    table->programChange_ = true;
    if (row < 0 || row >= table->model().rows()) {
        table->clearSelection();
        table->setCurrentIndex(QModelIndex());
    } else {
        const QModelIndex index = table->model().index(static_cast<int>(row), 0);
        table->setCurrentIndex(index);
        table->selectRow(static_cast<int>(row));
        table->scrollTo(index);
    }
    table->programChange_ = false;
}

int64_t VirtualTableSelectedRow(int number) {
    Table *table = TableOf(number);
    if (!table) return -1;
    const QModelIndex current = table->currentIndex();
    return current.isValid() && table->selectionModel()->isRowSelected(current.row(), QModelIndex()) ? current.row()
                                                                                                     : -1;
}

std::string VirtualTableText(int number, int64_t row, int column) {
    Table *table = TableOf(number);
    if (!table || row < 0 || row >= table->model().rows()) return {};
    const QByteArray text =
        table->model().data(table->model().index(static_cast<int>(row), column), Qt::DisplayRole).toString().toUtf8();
    return std::string(text.constData(), static_cast<size_t>(text.size()));
}

}  // namespace hx
