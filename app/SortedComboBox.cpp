#include "app/SortedComboBox.h"

#include <QWheelEvent>

namespace vorlane {
namespace {

// The C locale (LANG=C, as in many service sessions) would compare code
// points, which puts "]" after the digits; there the common order of
// Unicode's collation stands in for it.
QLocale collationLocale(const QLocale& locale) {
    return locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale;
}

// The collator's defaults are what the lists need: case is a difference of
// the last resort ("b" and "B" both sort after "a" and before "C"),
// punctuation counts, and digits are compared one by one, as the server list
// has always shown FS1, FS10, FS2.
QCollator collator(const QLocale& locale) {
    return QCollator(collationLocale(locale));
}

} // namespace

SortedComboBox::SortedComboBox(QWidget* parent) : QComboBox(parent), collator_(collator(locale())) {
    // Tab and click give the focus; the wheel does not.
    setFocusPolicy(Qt::StrongFocus);
}

bool SortedComboBox::sortsBefore(const QString& a, const QString& b) const {
    if (const int collated = collator_.compare(a, b); collated != 0)
        return collated < 0;
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

void SortedComboBox::wheelEvent(QWheelEvent* event) {
    // A picker without the focus does nothing with it.
    if (!hasFocus())
        return;
    QComboBox::wheelEvent(event);
}

} // namespace vorlane
