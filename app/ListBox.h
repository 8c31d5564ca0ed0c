#pragma once

#include "report/UsageListing.h"

#include <QAbstractListModel>
#include <QListView>

#include <memory>
#include <vector>

namespace vorlane {

// What a list box shows: a number of rows and the text of each. The text is
// made when the view asks for it, and the view asks only for the rows it
// paints, so a listing of a million rows costs no text until it is seen.
class ListBoxRows {
public:
    virtual ~ListBoxRows() = default;
    virtual int count() const = 0;
    virtual QString text(int row) const = 0;
    // The whole row as it is copied out of the window, without its line end.
    virtual QString copyText(int row) const = 0;
};

// The rows of a list box. One model reset per fill: the view lays out a
// million rows of one height without asking for any of them.
class ListBoxModel final : public QAbstractListModel {
    Q_OBJECT
public:
    explicit ListBoxModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Replaces the rows, shown from the first.
    void setRows(std::shared_ptr<const ListBoxRows> rows);
    const ListBoxRows& rows() const { return *rows_; }

private:
    std::shared_ptr<const ListBoxRows> rows_;
};

// A list box: one selectable row at a time, rows in the order added, and a
// top index (the first visible row) that can be read and set. Rows all have
// one height and the view scrolls by whole rows, so the top index is simply
// the scroll bar's value.
//
// Its rows can be taken out of the window: Ctrl+C and "Copy" in its context
// menu put the selected row on the clipboard, "Copy All" every row, one line
// each in the order shown.
class ListBox final : public QListView {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);

    // Replaces the rows, shown from the first.
    void setRows(std::shared_ptr<const ListBoxRows> rows);
    int count() const;

    int topIndex() const;
    void setTopIndex(int row);

    void copySelected() const;
    void copyAll() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateCopyActions();

    ListBoxModel* model_;
    QAction* copy_;
    QAction* copyAll_;
};

// Orders the rows of a completed listing by usage, largest first, and shows
// them row for row: the names in `names`, the usages in kilobytes in
// `usages`. Both lists share the rows, which stay in the order found; only
// the order in which they are shown is worked out. A row of either list is
// copied as the object's name, a tab and its usage, as both are shown.
void showUsageRows(UsageRows rows, ListBox& names, ListBox& usages);

} // namespace vorlane
