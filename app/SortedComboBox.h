#pragma once

#include <QCollator>
#include <QComboBox>

namespace vorlane {

// A drop-down list whose items stand in sorted order: an added item takes
// its sorted place, and newIndex() tells where the last one landed, so that
// its item data can be set there. Item data lives with the item, so it stays
// attached when later items are inserted before it.
//
// Collation: as the user's locale orders text, with punctuation before
// digits and letters, so that "[FS1] : SYS" comes before "[FS10] : DATA"
// (the "]" before the "0"). Case counts only between texts that differ in
// nothing else, and texts the locale holds equal are ordered by their code
// points; items equal in every way stand after the ones already there. The
// order is total and the same on every run.
//
// The wheel moves the selection, and so starts a listing, only when the list
// has the keyboard focus; a wheel turned over it on the way down the window
// neither picks nor takes the focus.
class SortedComboBox final : public QComboBox {
    Q_OBJECT
public:
    explicit SortedComboBox(QWidget* parent = nullptr);

    int addSorted(const QString& text);
    int newIndex() const { return newIndex_; }

    bool sortsBefore(const QString& a, const QString& b) const;

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    QCollator collator_;
    int newIndex_ = -1;
};

} // namespace vorlane
