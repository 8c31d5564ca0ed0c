#include "support/WindowHarness.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using testing_support::WindowHarness;

// FS10 is read before FS1; FS1's volume 2 sorts before its older entries.
constexpr std::string_view kServers = R"json({
  "servers": [ { "name": "FS10", "volumes": [ { "number": 0, "name": "SYS" } ] },
               { "name": "FS1", "volumes": [ { "number": 0, "name": "SYS" }, { "number": 1, "name": "VOL1" },
                                             { "number": 2, "name": "APPS" } ] } ],
  "defaultServer": "FS1", "defaultContext": "M\u00dcNCHEN.ACME",
  "tree": [ { "name": "ACME", "class": "Organization" } ] })json";

class Window : public testing::Test {
protected:
    QWidget* control(const char* name) const { return h_.control<QWidget>(name); }
    void showActive() {
        h_.window.show();
        QApplication::setActiveWindow(&h_.window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&h_.window));
    }
    WindowHarness h_{kServers};
};

TEST_F(Window, LoadsTheDefaultContextEveryServerAndEveryVolumeWithItsNumber) {
    EXPECT_EQ(h_.control<QLineEdit>("txtContext")->text(), QString::fromUtf8("MÜNCHEN.ACME"));
    EXPECT_EQ(h_.servers()->count(), 2);
    EXPECT_EQ(h_.servers()->currentIndex(), -1);
    const std::pair<const char*, int> volumes[] = {
        {"[FS10] : SYS", 0}, {"[FS1] : SYS", 0}, {"[FS1] : VOL1", 1}, {"[FS1] : APPS", 2}};
    ASSERT_EQ(h_.volumes()->count(), 4);
    for (const auto& [entry, number] : volumes)
        EXPECT_EQ(h_.volumes()->itemData(h_.volumes()->findText(entry)).toInt(), number) << entry;
    EXPECT_EQ(h_.volumes()->currentIndex(), -1);
    EXPECT_EQ(h_.window.lastList(), vorlane::LastList::NoListingYet);
}

TEST_F(Window, TheLayoutReadsAsOneFormWithATwoColumnList) {
    EXPECT_EQ(h_.window.objectName(), "frmVorlane");
    EXPECT_EQ(h_.window.windowTitle(), "Disk Usage");
    EXPECT_EQ(h_.window.size(), QSize(271, 382)); // 4065 x 5730 twips
    EXPECT_EQ(h_.window.minimumSize(), h_.window.maximumSize()) << "the layout is fixed";
    // The largest face up to 8 points at which every label fits whole, with
    // the two pixels a label keeps free.
    QFont larger = h_.window.font();
    larger.setPointSizeF(larger.pointSizeF() + 0.5);
    bool largerFits = larger.pointSizeF() <= 8;
    for (const char* name : {"lblContext", "lblRecurse", "lblVolume", "lblServer", "lblStuff"}) {
        const auto* label = h_.control<QLabel>(name);
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width() - 2) << name << " is cut";
        largerFits = largerFits && QFontMetrics(larger).horizontalAdvance(label->text()) <= label->width() - 2;
    }
    EXPECT_FALSE(largerFits) << "a larger face would fit";
    for (const char* name : {"lblContext", "lblRecurse", "lblVolume", "lblServer"}) {
        const auto* label = h_.control<QLabel>(name);
        EXPECT_TRUE(label->alignment() & Qt::AlignRight) << name;
        EXPECT_EQ(label->geometry().right() + 1, 49) << name << " ends at 735 twips, left of its field";
        EXPECT_EQ(label->buddy()->accessibleName(), label->text());
    }
    // The two lists share one heading label; a screen reader names each by its column.
    EXPECT_EQ(control("lstUsers")->accessibleName() + "|" + control("lstUsage")->accessibleName(), "User|Usage (K)");
    EXPECT_EQ(h_.control<QLabel>("lblStuff")->text(), " User" + QString(49, ' ') + "Usage (K)");
    // The usage column lies in front of the names' right-hand 495 twips.
    const auto children = h_.window.children();
    EXPECT_GT(children.indexOf(control("lstUsage")), children.indexOf(control("lstUsers")));
    EXPECT_EQ((control("lstUsers")->geometry() & control("lstUsage")->geometry()).width(), 33);
    EXPECT_TRUE(h_.control<QCheckBox>("optRecurse")->text().isEmpty());
    EXPECT_EQ(h_.control<QPushButton>("cmdRecalc")->text(), "&Recalc"); // Alt+R
    EXPECT_EQ(h_.control<QPushButton>("cmdClose")->text(), "Cl&ose");   // Alt+O
    EXPECT_FALSE(h_.volumes()->isEditable());
    EXPECT_FALSE(h_.servers()->isEditable());
}

TEST_F(Window, TabVisitsTheInputControlsInTheirOrder) {
    QStringList order;
    QWidget* at = control("txtContext");
    do {
        order << at->objectName();
        do
            at = at->nextInFocusChain();
        while (!(at->focusPolicy() & Qt::TabFocus) || at->parent() != &h_.window);
    } while (at != control("txtContext"));
    EXPECT_EQ(order, (QStringList{"txtContext", "cmdClose", "lstUsers", "lstUsage", "cmbVolumes", "cmbServer",
                                  "cmdRecalc", "optRecurse"}));
}

TEST_F(Window, EnterPressesTheFocusedButtonElseRecalcAndEscapeCloses) {
    showActive();
    QSignalSpy recalc(h_.control<QPushButton>("cmdRecalc"), &QPushButton::clicked);
    QSignalSpy close(h_.control<QPushButton>("cmdClose"), &QPushButton::clicked);
    QTest::keyClick(control("txtContext"), Qt::Key_Return);
    EXPECT_EQ(recalc.count(), 1);
    EXPECT_EQ(close.count(), 0);
    control("cmdClose")->setFocus();
    QTest::keyClick(control("cmdClose"), Qt::Key_Return);
    EXPECT_EQ(close.count(), 1);
    EXPECT_EQ(recalc.count(), 1);
    EXPECT_FALSE(h_.window.isVisible());

    showActive();
    QTest::keyClick(control("optRecurse"), Qt::Key_Escape);
    EXPECT_EQ(close.count(), 2);
    EXPECT_FALSE(h_.window.isVisible());
}

TEST_F(Window, ClosingShutsBothLibrariesDownOnceHoweverItIsClosed) {
    h_.window.show();
    h_.client.calls.clear();
    h_.control<QPushButton>("cmdClose")->click();
    h_.window.show();
    h_.window.close(); // the title bar, after the button
    EXPECT_EQ(h_.client.calls, (std::vector<std::string>{"NWCallsTerm", "NWNetTerm"}));
}

TEST_F(Window, TheContextBoxTakesAPasteOfAnyLength) {
    auto* box = h_.control<QLineEdit>("txtContext");
    box->clear();
    box->insert(QString(40000, QLatin1Char('A')));
    EXPECT_EQ(box->text().size(), 40000);
}

// Volumes as the scan finds them, FS10's first, with names that differ only
// in case or punctuation; added forwards and backwards.
TEST(SortedComboBox, EveryVolumeOfFS1StandsBeforeFS10sUnderEveryLocaleInOneOrderWithItsData) {
    const QStringList volumes = {"[FS10] : SYS", "[FS10] : DATA", "[FS2] : SYS",  "[FS1] : VOL1", "[FS1] : SYS",
                                 "[FS1] : APPS", "[FS1] : apps",  "[FS1] : Apps", "[FS1] : A.PPS"};
    const QStringList sorted = {"[FS1] : A.PPS", "[FS1] : apps",  "[FS1] : Apps", "[FS1] : APPS", "[FS1] : SYS",
                                "[FS1] : VOL1",  "[FS10] : DATA", "[FS10] : SYS", "[FS2] : SYS"};
    const QLocale before;
    for (const char* locale : {"C", "de_DE", "sv_SE"}) {
        QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
        for (const int step : {1, -1}) {
            vorlane::SortedComboBox box;
            for (int n = 0, i = step > 0 ? 0 : 8; n < 9; ++n, i += step)
                box.setItemData(box.addSorted(volumes[i]), i);
            EXPECT_EQ(box.currentIndex(), -1) << "adding items selects nothing";
            for (int row = 0; row < box.count(); ++row) {
                EXPECT_EQ(box.itemText(row), sorted[row]) << locale;
                EXPECT_EQ(box.itemData(row).toInt(), volumes.indexOf(box.itemText(row))) << locale;
            }
        }
        vorlane::SortedComboBox servers;
        servers.addSorted("FS2");
        EXPECT_EQ(servers.currentIndex(), -1) << "not even the first item is picked";
        for (const char* server : {"FS10", "FS1"})
            servers.addSorted(QString::fromLatin1(server));
        EXPECT_EQ(servers.itemText(0) + servers.itemText(1) + servers.itemText(2), "FS1FS10FS2") << locale;
    }
    QLocale::setDefault(before);
}

} // namespace
