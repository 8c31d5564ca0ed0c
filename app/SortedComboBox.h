#pragma once

#include <QComboBox>

namespace vorlane {

// A drop-down list whose items stand in sorted order: an added item takes
// its sorted place, and newIndex() tells where the last one landed, so that
// its item data can be set there. Item data lives with the item, so it stays
// attached when later items are inserted before it.
//
// Collation: case-insensitive comparison of the texts' UTF-16 code units,
// ties broken case-sensitively, and items equal in both after the ones already
// there. It is the same on every machine and every locale, so the order an
// administrator sees never depends on the workstation's settings.
class SortedComboBox final : public QComboBox {
    Q_OBJECT
public:
    explicit SortedComboBox(QWidget* parent = nullptr);

    int addSorted(const QString& text);
    int newIndex() const { return newIndex_; }

    static bool sortsBefore(const QString& a, const QString& b);

private:
    int newIndex_ = -1;
};

} // namespace vorlane
