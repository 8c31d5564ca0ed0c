#include "app/SortedComboBox.h"

namespace vorlane {

SortedComboBox::SortedComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setInsertPolicy(QComboBox::NoInsert);
}

bool SortedComboBox::sortsBefore(const QString& a, const QString& b) {
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    if (folded != 0)
        return folded < 0;
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

int SortedComboBox::addSorted(const QString& text) {
    // Binary search for the first item that sorts after the new text.
    int low = 0;
    int high = count();
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (sortsBefore(text, itemText(mid)))
            high = mid;
        else
            low = mid + 1;
    }
    insertItem(low, text);
    // Inserting into an empty list selects the item; a list that the user
    // has not picked from yet must report no selection.
    if (count() == 1)
        setCurrentIndex(-1);
    newIndex_ = low;
    return low;
}

} // namespace vorlane
