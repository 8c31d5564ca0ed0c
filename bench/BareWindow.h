#pragma once

// The window with nothing of the tool in it: the same thirteen controls at
// the same places, with their texts, and no client, no start-up, no fitted
// font, no handlers. Its lists are plain list views over a plain string
// model with uniform row heights, the cheapest way Qt shows a long list.

#include <QDialog>

class QListView;
class QStringListModel;

namespace bench {

class BareWindow final : public QDialog {
public:
    explicit BareWindow(QWidget* parent = nullptr);

    QListView& users() const { return *users_; }
    QListView& usage() const { return *usage_; }
    QStringListModel& usersModel() const { return *usersModel_; }
    QStringListModel& usageModel() const { return *usageModel_; }

private:
    QListView* users_ = nullptr;
    QListView* usage_ = nullptr;
    QStringListModel* usersModel_ = nullptr;
    QStringListModel* usageModel_ = nullptr;
};

} // namespace bench
