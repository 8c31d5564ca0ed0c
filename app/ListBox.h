#pragma once

#include "report/UsageListing.h"

#include <QAbstractListModel>
#include <QListView>
#include <QStringList>

#include <vector>

namespace vorlane {

// The rows of a list box. One model reset per fill keeps a million rows
// cheap to show: the view asks only for the rows it paints.
class ListBoxModel final : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void setRows(QStringList rows);
    void appendRow(const QString& row);
    const QStringList& rows() const { return rows_; }

private:
    QStringList rows_;
};

// A list box: one selectable row at a time, rows in the order added, and a
// top index (the first visible row) that can be read and set. Rows all have
// one height and the view scrolls by whole rows, so the top index is simply
// the scroll bar's value.
class ListBox final : public QListView {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);

    void clear();
    void addItem(const QString& text);
    void setItems(QStringList items);
    int count() const;
    QString itemText(int row) const;

    int topIndex() const;
    void setTopIndex(int row);

private:
    ListBoxModel* model_;
};

// Orders the rows of a completed listing by usage, largest first, and shows
// them row for row: the names in `names`, the usages in kilobytes in `usages`.
void showUsageRows(std::vector<UsageRow>& rows, ListBox& names, ListBox& usages);

} // namespace vorlane
