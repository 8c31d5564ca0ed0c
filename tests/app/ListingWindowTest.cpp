#include "support/WindowHarness.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QProxyStyle>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

using testing_support::WindowHarness;

// FS1 and FS10 share a prefix; D uses both of FS1's volumes and FS10's.
constexpr std::string_view kAcme = R"json({
  "servers": [ { "name": "FS1", "volumes": [ { "number": 0, "name": "SYS" }, { "number": 1, "name": "VOL1" } ] },
               { "name": "FS10", "volumes": [ { "number": 0, "name": "SYS" } ] } ],
  "defaultServer": "FS1", "defaultContext": "SALES.ACME",
  "tree": [ { "name": "ACME", "class": "Organization", "children": [
    { "name": "SALES", "class": "Organizational Unit", "children": [
      { "name": "A", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 2 } ] },
      { "name": "B", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 5 } ] },
      { "name": "C", "class": "Group", "usage": [ { "server": "FS1", "volume": 0, "inUse": 5 } ] },
      { "name": "D", "class": "Printer", "usage": [ { "server": "FS1", "volume": 0, "inUse": 1 },
          { "server": "FS1", "volume": 1, "inUse": 1024 }, { "server": "FS10", "volume": 0, "inUse": 50 } ] },
      { "name": "M\u00dcLLER", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 3 } ] } ] },
    { "name": "MARKETING", "class": "Organizational Unit", "children": [
      { "name": "M", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 3 } ] } ] }
  ] } ] })json";

const QStringList kBySys = {"B=20", "C=20", "A=8", "D=4"};

class ListingWindow : public testing::Test {
protected:
    void pressRecalc() { h_.pressRecalc(); }
    WindowHarness h_{kAcme};
};

TEST_F(ListingWindow, PickingAVolumeOrAServerListsLargestFirstAndRemembersTheKind) {
    h_.pickVolume("[FS1] : SYS");
    EXPECT_EQ(h_.shown(), kBySys) << "ties keep the order found";
    EXPECT_EQ(h_.window.lastList(), vorlane::LastList::ByVolume);
    h_.pickServer("FS1");
    EXPECT_EQ(h_.shown(), (QStringList{"D=4100", "B=20", "C=20", QString::fromUtf8("MÜLLER=12"), "A=8"}));
    EXPECT_EQ(h_.window.lastList(), vorlane::LastList::ByServer);
    h_.pickServer("FS10");
    EXPECT_EQ(h_.shown(), QStringList{"D=200"}) << "only FS10's own volumes";
    h_.pickVolume("[FS1] : SYS");
    h_.setContext("MARKETING.ACME");
    h_.pickServer("FS10");
    EXPECT_TRUE(h_.shown().isEmpty()) << "a listing that finds nothing empties both lists";
    EXPECT_EQ(h_.window.lastList(), vorlane::LastList::ByServer) << "and still counts";
    EXPECT_TRUE(h_.user.messages.empty());
}

TEST_F(ListingWindow, RecalcRepeatsTheLastCompletedKindWithWhatIsNowTypedAndPicked) {
    h_.select(h_.volumes(), "[FS1] : SYS");
    h_.client.calls.clear();
    pressRecalc();
    EXPECT_TRUE(h_.client.calls.empty()) << "nothing completed yet";

    h_.pickVolume("[FS1] : SYS");
    h_.setContext("NOWHERE.ACME");
    h_.pickServer("FS1"); // stops with a message: by volume stays the kind to repeat
    EXPECT_EQ(h_.user.messages, std::vector<std::string>{"Context does not exist"});
    EXPECT_EQ(h_.shown(), kBySys) << "a listing that stops keeps what was shown";
    EXPECT_EQ(h_.window.lastList(), vorlane::LastList::ByVolume);

    h_.setContext("MARKETING.ACME");
    h_.client.calls.clear();
    pressRecalc();
    EXPECT_EQ(h_.shown(), QStringList{"M=12"});
    EXPECT_EQ(h_.client.callsTo("NWDSList ").size(), 1u) << "one listing per press";

    h_.pickServer("FS1");
    h_.setContext("SALES.ACME");
    h_.select(h_.servers(), "FS10");
    pressRecalc();
    EXPECT_EQ(h_.shown(), QStringList{"D=200"});
}

TEST_F(ListingWindow, AListingThatCannotStartKeepsEverything) {
    h_.pickVolume("[FS1] : SYS");
    h_.client.calls.clear();
    h_.setContext("");
    h_.setRecurse(true); // editing starts nothing by itself
    Q_EMIT h_.servers()->activated(-1);
    EXPECT_TRUE(h_.user.messages.empty()) << "no server picked: nothing at all";
    h_.pickVolume("[FS1] : VOL1");
    EXPECT_EQ(h_.user.messages, std::vector<std::string>{"Enter a context"});
    EXPECT_TRUE(h_.client.calls.empty());
    EXPECT_EQ(h_.shown(), kBySys);
}

// While a listing runs the window is in one state: nothing that asks for a
// listing takes input, by any route, and nothing asks twice.
TEST_F(ListingWindow, WhileAListingRunsNoRouteStartsASecondOne) {
    h_.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&h_.window));
    testing_support::Gate gate;
    h_.client.calls.clear();
    h_.client.onCall = [&gate](const std::string& call) {
        if (call.rfind("NWDSList ", 0) == 0)
            gate.pass();
    };
    h_.volumes()->setFocus();
    h_.startPick(h_.volumes(), "[FS1] : SYS");
    gate.waitForArrival();
    const char* request[] = {"txtContext", "optRecurse", "cmbVolumes", "cmbServer", "cmdRecalc"};
    for (const char* name : request)
        EXPECT_FALSE(h_.control<QWidget>(name)->isEnabled()) << name;
    EXPECT_TRUE(h_.usageList()->hasFocus()) << "keys go to the results, not to Close";
    EXPECT_EQ(h_.window.cursor().shape(), Qt::BusyCursor);
    h_.startPick(h_.servers(), "FS1");
    QAccessible::queryAccessibleInterface(h_.control<QPushButton>("cmdRecalc"))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    gate.open();
    h_.waitForListing();
    EXPECT_EQ(h_.client.callsTo("NWCCOpenConnByName").size(), 1u) << "one listing";
    for (const char* name : request)
        EXPECT_TRUE(h_.control<QWidget>(name)->isEnabled()) << name;
    EXPECT_TRUE(h_.volumes()->hasFocus()) << "the focus is back where it was";
    EXPECT_EQ(h_.window.cursor().shape(), Qt::ArrowCursor);
}

// One notch of the wheel over the middle of `widget`, as the window system
// delivers it.
void turnWheel(QWidget* widget) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent notch(at, widget->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&notch);
    QApplication::instance()->notify(widget, &notch);
}

TEST_F(ListingWindow, TheWheelPicksOnlyInAPickerThatHasTheFocus) {
    h_.window.show();
    QApplication::setActiveWindow(&h_.window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&h_.window));
    h_.control<QLineEdit>("txtContext")->setFocus();
    h_.client.calls.clear();
    turnWheel(h_.volumes());
    EXPECT_EQ(h_.volumes()->currentIndex(), -1);
    EXPECT_TRUE(h_.control<QLineEdit>("txtContext")->hasFocus()) << "the wheel took the focus";
    EXPECT_TRUE(h_.client.calls.empty());
    h_.volumes()->setFocus();
    turnWheel(h_.volumes());
    h_.waitForListing();
    EXPECT_EQ(h_.volumes()->currentText(), "[FS1] : SYS");
    EXPECT_EQ(h_.shown(), kBySys);
}

class ScrollCoupling : public testing::Test {
protected:
    void SetUp() override {
        h_.window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&h_.window));
        h_.pickServer("FS1");
        ASSERT_GT(h_.usageList()->count(), 200);
    }
    void click(vorlane::ListBox* list, int row) {
        const QRect at = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at.center());
    }
    WindowHarness h_{R"json({ "generate": { "objects": 300, "objectsPerContainer": 300, "servers": 1,
                              "volumesPerServer": 1, "usageFraction": 1 }, "defaultContext": "CORP" })json"};
};

TEST_F(ScrollCoupling, TheNamesFollowTheUsageListOnlyAndComeBackOnAClick) {
    h_.usageList()->setTopIndex(10); // as the scroll bar does
    EXPECT_EQ(h_.usersList()->topIndex(), 10);
    h_.usersList()->setTopIndex(30);
    EXPECT_EQ(h_.usageList()->topIndex(), 10) << "the names move nothing";
    click(h_.usageList(), 12);
    EXPECT_EQ(h_.usersList()->topIndex(), 10);
    EXPECT_FALSE(h_.usersList()->selectionModel()->hasSelection()) << "a click selects nothing in the names";
    h_.usersList()->setTopIndex(50);
    click(h_.usageList(), 12); // the row that is already current
    EXPECT_EQ(h_.usersList()->topIndex(), 10);
    h_.usageList()->setFocus();
    h_.usersList()->setTopIndex(50);
    QTest::keyClick(h_.usageList(), Qt::Key_Down); // to a row in view: no scrolling
    EXPECT_EQ(h_.usersList()->topIndex(), 10);
    for (int i = 0; i < 40; ++i)
        QTest::keyClick(h_.usageList(), Qt::Key_Down);
    EXPECT_GT(h_.usageList()->topIndex(), 10);
    EXPECT_EQ(h_.usersList()->topIndex(), h_.usageList()->topIndex());
}

TEST_F(ScrollCoupling, ANewListingShowsItsLargestRowsBothListsInLine) {
    h_.usageList()->setTopIndex(100);
    h_.usersList()->setTopIndex(150); // scrolled on its own
    h_.pickServer("FS1");
    EXPECT_EQ(h_.usageList()->topIndex(), 0);
    EXPECT_EQ(h_.usersList()->topIndex(), 0);
}

TEST(ResultLists, ShowTheRowsInUsageOrderIn8BitTextAndPlainNumbers) {
    vorlane::ListBox names;
    vorlane::ListBox usages;
    vorlane::showUsageRows({{"A", 8}, {"M\xDCLLER", 20}, {"\x80URO.\x8ASTA", 20}, {"D", 8589934588}}, names, usages);
    EXPECT_EQ(WindowHarness::rows(&names),
              (QStringList{"D", QString::fromUtf8("MÜLLER"), QString::fromUtf8("€URO.ŠSTA"), "A"}));
    EXPECT_EQ(WindowHarness::rows(&usages), (QStringList{"8589934588", "20", "20", "8"}));
    // What assistive technology reads, and nothing past the last row.
    EXPECT_EQ(names.model()->index(1, 0).data(Qt::AccessibleTextRole).toString(), QString::fromUtf8("MÜLLER"));
    EXPECT_FALSE(names.model()->index(4, 0).data(Qt::DisplayRole).isValid());
    vorlane::showUsageRows({}, names, usages);
    EXPECT_EQ(names.count() + usages.count(), 0);
}

// Desktop styles that scroll item views by the pixel would let the two lists
// show rows half cut and out of line.
TEST(ResultLists, ScrollByWholeRowsUnderAnyStyle) {
    struct ByPixel final : QProxyStyle {
        int styleHint(StyleHint hint, const QStyleOption* o, const QWidget* w, QStyleHintReturn* r) const override {
            return hint == SH_ItemView_ScrollMode ? QAbstractItemView::ScrollPerPixel
                                                  : QProxyStyle::styleHint(hint, o, w, r);
        }
    } byPixel;
    vorlane::ListBox list;
    list.setStyle(&byPixel);
    EXPECT_EQ(list.verticalScrollMode(), QAbstractItemView::ScrollPerItem);
}

TEST(ResultLists, EitherCopiesNameTabUsageLinesAsShown) {
    QWidget window; // both lists in one, as in the main window
    vorlane::ListBox names(&window);
    vorlane::ListBox usages(&window);
    EXPECT_FALSE(names.actions()[0]->isEnabled() || names.actions()[1]->isEnabled()) << "nothing to copy yet";
    const std::string longName = "LONG" + std::string(56, 'N'); // longer than the name buffer's 48
    vorlane::showUsageRows({{"M\xDCLLER", 8}, {longName, 12}, {"\x80URO", 4}}, names, usages);
    QClipboard* clipboard = QGuiApplication::clipboard();
    for (vorlane::ListBox* list : {&names, &usages}) {
        EXPECT_EQ(list->contextMenuPolicy(), Qt::ActionsContextMenu);
        EXPECT_EQ(list->actions()[0]->text() + list->actions()[1]->text(), "&CopyCopy &All");
        EXPECT_EQ(list->actions()[0]->shortcut(), QKeySequence(QKeySequence::Copy)) << "shown in the menu";
        EXPECT_FALSE(list->actions()[0]->isEnabled()) << "Copy with nothing selected";
        list->actions()[1]->trigger();
        EXPECT_EQ(clipboard->text(),
                  QString::fromStdString(longName) + QString::fromUtf8("\t12\nMÜLLER\t8\n€URO\t4\n"));
    }
    usages.setCurrentIndex(usages.model()->index(1, 0));
    names.setCurrentIndex(names.model()->index(2, 0));
    EXPECT_TRUE(usages.actions()[0]->isEnabled()) << "Copy once a row is selected";
    QTest::keyClick(&usages, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), QString::fromUtf8("MÜLLER\t8\n"));
    // Once the names have the keyboard, Ctrl+C there is the menu entry's shortcut.
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    names.setFocus();
    QTest::keyClick(&names, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), QString::fromUtf8("€URO\t4\n"));
    names.clearSelection();
    QTest::keyClick(&names, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), QString::fromUtf8("€URO\t4\n")) << "nothing selected, nothing copied";
}

} // namespace
