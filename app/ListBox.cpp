#include "app/ListBox.h"

#include "netware/Charset.h"
#include "report/ResultOrder.h"

#include <QScrollBar>

namespace vorlane {

int ListBoxModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant ListBoxModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return rows_.at(index.row());
    return {};
}

void ListBoxModel::setRows(QStringList rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void ListBoxModel::appendRow(const QString& row) {
    const int at = static_cast<int>(rows_.size());
    beginInsertRows(QModelIndex(), at, at);
    rows_.append(row);
    endInsertRows();
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

void ListBox::clear() {
    model_->setRows({});
}

void ListBox::addItem(const QString& text) {
    model_->appendRow(text);
}

void ListBox::setItems(QStringList items) {
    model_->setRows(std::move(items));
}

int ListBox::count() const {
    return model_->rowCount();
}

QString ListBox::itemText(int row) const {
    return model_->rows().value(row);
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

void showUsageRows(std::vector<UsageRow>& rows, ListBox& names, ListBox& usages) {
    orderByUsage(rows);
    QStringList nameTexts;
    QStringList usageTexts;
    nameTexts.reserve(static_cast<qsizetype>(rows.size()));
    usageTexts.reserve(static_cast<qsizetype>(rows.size()));
    for (const UsageRow& row : rows) {
        nameTexts.append(QString::fromStdString(nw::cp1252ToUtf8(row.name)));
        usageTexts.append(QString::fromStdString(usageText(row.kilobytes)));
    }
    names.setItems(std::move(nameTexts));
    usages.setItems(std::move(usageTexts));
}

} // namespace vorlane
