#include "app/ListBox.h"

#include "netware/Charset.h"
#include "report/ResultOrder.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScrollBar>

namespace vorlane {
namespace {

class NoRows final : public ListBoxRows {
public:
    int count() const override { return 0; }
    QString text(int) const override { return {}; }
    QString copyText(int) const override { return {}; }
};

// A listing's rows as found, and the order they are shown in: the rows
// stay where the listing put them, and only the small order moves.
struct OrderedRows {
    UsageRows found;
    std::vector<std::uint32_t> order;
};

// One column of a listing's ordered rows: the names, or the usages.
class UsageColumn final : public ListBoxRows {
public:
    enum Column { Names, Usages };
    UsageColumn(std::shared_ptr<const OrderedRows> rows, Column column) : rows_(std::move(rows)), column_(column) {}

    int count() const override { return static_cast<int>(rows_->order.size()); }
    QString text(int row) const override { return column_ == Names ? name(at(row)) : usage(at(row)); }
    QString copyText(int row) const override { return name(at(row)) + QLatin1Char('\t') + usage(at(row)); }

private:
    std::size_t at(int row) const { return rows_->order[static_cast<std::size_t>(row)]; }
    QString name(std::size_t found) const { return QString::fromStdString(nw::cp1252ToUtf8(rows_->found.name(found))); }
    QString usage(std::size_t found) const { return QString::fromStdString(usageText(rows_->found.kilobytes(found))); }

    std::shared_ptr<const OrderedRows> rows_;
    Column column_;
};

} // namespace

ListBoxModel::ListBoxModel(QObject* parent) : QAbstractListModel(parent), rows_(std::make_shared<NoRows>()) {}

int ListBoxModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_->count();
}

QVariant ListBoxModel::data(const QModelIndex& index, int role) const {
    // The model's own indexes only: a stale one from before the rows were
    // replaced reads nothing.
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) ||
        (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    return rows_->text(index.row());
}

void ListBoxModel::setRows(std::shared_ptr<const ListBoxRows> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

ListBox::ListBox(QWidget* parent)
    : QListView(parent), model_(new ListBoxModel(this)), copy_(new QAction(QStringLiteral("&Copy"), this)),
      copyAll_(new QAction(QStringLiteral("Copy &All"), this)) {
    setModel(model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    // The shortcut is shown in the menu; keyPressEvent makes it work even
    // while the action is disabled.
    copy_->setShortcut(QKeySequence::Copy);
    copy_->setShortcutContext(Qt::WidgetShortcut);
    connect(copy_, &QAction::triggered, this, &ListBox::copySelected);
    connect(copyAll_, &QAction::triggered, this, &ListBox::copyAll);
    addAction(copy_);
    addAction(copyAll_);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &ListBox::updateCopyActions);
    updateCopyActions();
}

void ListBox::setRows(std::shared_ptr<const ListBoxRows> rows) {
    model_->setRows(std::move(rows));
    // New rows are shown from the first, wherever the old ones were
    // scrolled to. The first row is always in range, so this needs no
    // layout of the rows (which, for a million of them, waits until they
    // are painted).
    verticalScrollBar()->setValue(0);
    // A reset drops the selection without a word.
    updateCopyActions();
}

void ListBox::updateCopyActions() {
    copy_->setEnabled(selectionModel()->hasSelection());
    copyAll_->setEnabled(count() > 0);
}

void ListBox::copySelected() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(model_->rows().copyText(selected.front().row()) + QLatin1Char('\n'));
}

void ListBox::copyAll() const {
    const ListBoxRows& rows = model_->rows();
    QString text;
    for (int row = 0; row < rows.count(); ++row)
        text.append(rows.copyText(row)).append(QLatin1Char('\n'));
    QGuiApplication::clipboard()->setText(text);
}

void ListBox::keyPressEvent(QKeyEvent* event) {
    // The view's own copy would take the name alone, or a row that is no
    // longer selected.
    if (event->matches(QKeySequence::Copy)) {
        copySelected();
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

int ListBox::count() const {
    return model_->rowCount();
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

void showUsageRows(UsageRows rows, ListBox& names, ListBox& usages) {
    auto ordered = std::make_shared<OrderedRows>();
    ordered->order = usageOrder(rows);
    ordered->found = std::move(rows);
    names.setRows(std::make_shared<UsageColumn>(ordered, UsageColumn::Names));
    usages.setRows(std::make_shared<UsageColumn>(std::move(ordered), UsageColumn::Usages));
}

} // namespace vorlane
