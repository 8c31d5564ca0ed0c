#include "app/ListBox.h"

#include "netware/Charset.h"
#include "report/ResultOrder.h"

#include <QScrollBar>

namespace vorlane {
namespace {

class NoRows final : public ListBoxRows {
public:
    int count() const override { return 0; }
    QString text(int) const override { return {}; }
};

// A listing's rows as found, and the order they are shown in: the rows
// stay where the listing put them, and only the small order moves.
struct OrderedRows {
    std::vector<UsageRow> found;
    std::vector<std::uint32_t> order;
};

// One column of a listing's ordered rows: the names, or the usages.
class UsageColumn final : public ListBoxRows {
public:
    enum Column { Names, Usages };
    UsageColumn(std::shared_ptr<const OrderedRows> rows, Column column) : rows_(std::move(rows)), column_(column) {}

    int count() const override { return static_cast<int>(rows_->order.size()); }
    QString text(int row) const override {
        const UsageRow& at = rows_->found[rows_->order[static_cast<std::size_t>(row)]];
        if (column_ == Names)
            return QString::fromStdString(nw::cp1252ToUtf8(at.name));
        return QString::fromStdString(usageText(at.kilobytes));
    }

private:
    std::shared_ptr<const OrderedRows> rows_;
    Column column_;
};

} // namespace

ListBoxModel::ListBoxModel(QObject* parent) : QAbstractListModel(parent), rows_(std::make_shared<NoRows>()) {}

int ListBoxModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_->count();
}

QVariant ListBoxModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_->count())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return rows_->text(index.row());
    return {};
}

void ListBoxModel::setRows(std::shared_ptr<const ListBoxRows> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

ListBox::ListBox(QWidget* parent) : QListView(parent), model_(new ListBoxModel(this)) {
    setModel(model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void ListBox::setRows(std::shared_ptr<const ListBoxRows> rows) {
    model_->setRows(std::move(rows));
}

int ListBox::count() const {
    return model_->rowCount();
}

QString ListBox::itemText(int row) const {
    if (row < 0 || row >= count())
        return {};
    return model_->rows().text(row);
}

int ListBox::topIndex() const {
    return verticalScrollBar()->value();
}

void ListBox::setTopIndex(int row) {
    // Rows added since the last paint are not laid out yet, and until they
    // are the scroll range would cut the row off.
    executeDelayedItemsLayout();
    verticalScrollBar()->setValue(row);
}

void showUsageRows(std::vector<UsageRow> rows, ListBox& names, ListBox& usages) {
    auto ordered = std::make_shared<OrderedRows>();
    ordered->order = usageOrder(rows);
    ordered->found = std::move(rows);
    names.setRows(std::make_shared<UsageColumn>(ordered, UsageColumn::Names));
    usages.setRows(std::make_shared<UsageColumn>(std::move(ordered), UsageColumn::Usages));
}

} // namespace vorlane
