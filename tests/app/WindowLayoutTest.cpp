#include "app/ListBox.h"
#include "app/MainWindow.h"
#include "app/SortedComboBox.h"

#include "support/FakeUserChannel.h"
#include "support/MockClient.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using testing_support::FakeUserChannel;
using testing_support::MockClient;

class WindowLayout : public testing::Test {
protected:
    template <typename T> T* control(const char* name) const {
        auto* widget = window_.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    testing::NiceMock<MockClient> client_;
    FakeUserChannel user_;
    vorlane::MainWindow window_{client_, user_};
};

struct Expected {
    const char* name;
    int left, top, width, height; // twips
};

TEST_F(WindowLayout, EveryControlSitsWhereTheLayoutPutsIt) {
    const Expected layout[] = {
        {"txtContext", 840, 120, 3135, 285}, {"lblContext", 120, 165, 615, 255},   {"cmdClose", 2880, 5280, 1080, 375},
        {"lstUsers", 240, 1920, 3015, 3180}, {"lstUsage", 2760, 1920, 1215, 3180}, {"lblStuff", 240, 1680, 3735, 255},
        {"cmbVolumes", 840, 840, 3135, 315}, {"lblVolume", 120, 885, 615, 255},    {"cmbServer", 840, 1200, 3135, 315},
        {"lblServer", 0, 1245, 735, 255},    {"cmdRecalc", 1800, 5280, 975, 375},  {"optRecurse", 840, 480, 255, 255},
        {"lblRecurse", 120, 500, 615, 255},
    };
    for (const auto& e : layout) {
        auto* widget = control<QWidget>(e.name);
        ASSERT_NE(widget, nullptr);
        // 15 twips to the pixel, rounded.
        EXPECT_EQ(widget->geometry(),
                  QRect((e.left + 7) / 15, (e.top + 7) / 15, (e.width + 7) / 15, (e.height + 7) / 15))
            << e.name;
    }
    EXPECT_EQ(window_.objectName(), "frmVorlane");
    EXPECT_EQ(window_.windowTitle(), "Disk Usage");
    EXPECT_EQ(window_.size(), QSize(271, 382));
    EXPECT_EQ(window_.minimumSize(), window_.maximumSize()) << "the window must not be resizable";
}

TEST_F(WindowLayout, ControlsHaveTheirKindsAndCaptions) {
    EXPECT_TRUE(control<QLineEdit>("txtContext")->text().isEmpty());
    EXPECT_EQ(control<QPushButton>("cmdClose")->text(), "Cl&ose");
    EXPECT_EQ(control<QPushButton>("cmdRecalc")->text(), "&Recalc");
    EXPECT_TRUE(control<QPushButton>("cmdRecalc")->isDefault());
    EXPECT_FALSE(control<QCheckBox>("optRecurse")->isChecked());
    EXPECT_TRUE(control<QCheckBox>("optRecurse")->text().isEmpty());
    EXPECT_EQ(control<vorlane::SortedComboBox>("cmbVolumes")->currentIndex(), -1);
    EXPECT_EQ(control<vorlane::SortedComboBox>("cmbServer")->currentIndex(), -1);
    EXPECT_EQ(control<vorlane::ListBox>("lstUsers")->count(), 0);
    EXPECT_EQ(control<vorlane::ListBox>("lstUsage")->count(), 0);

    const std::pair<const char*, const char*> labels[] = {
        {"lblContext", "Context"}, {"lblRecurse", "Recurse"}, {"lblVolume", "Volume"}, {"lblServer", "Or Server"}};
    for (const auto& [name, text] : labels) {
        auto* label = control<QLabel>(name);
        EXPECT_EQ(label->text(), text);
        EXPECT_TRUE(label->alignment() & Qt::AlignRight) << name;
        EXPECT_EQ(label->geometry().right() + 1, 49) << name << " ends at 735 twips";
    }
    const QString header = control<QLabel>("lblStuff")->text();
    EXPECT_EQ(header.size(), 63);
    EXPECT_EQ(header, " User" + QString(49, ' ') + "Usage (K)");
}

TEST_F(WindowLayout, UsageListLiesInFrontOfTheNameList) {
    const auto children = window_.children();
    EXPECT_GT(children.indexOf(control<QWidget>("lstUsage")), children.indexOf(control<QWidget>("lstUsers")));
    // The right-hand 495 twips of the name list are covered.
    const QRect overlap = control<QWidget>("lstUsers")->geometry() & control<QWidget>("lstUsage")->geometry();
    EXPECT_EQ(overlap.width(), 33);
}

class WindowKeys : public WindowLayout {
protected:
    void SetUp() override {
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        QApplication::setActiveWindow(&window_);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    }
};

TEST_F(WindowKeys, EnterOnAFocusedButtonPressesThatButton) {
    QSignalSpy recalc(control<QPushButton>("cmdRecalc"), &QPushButton::clicked);
    QSignalSpy closeClicks(control<QPushButton>("cmdClose"), &QPushButton::clicked);
    auto* close = control<QPushButton>("cmdClose");
    close->setFocus();
    QTest::keyClick(close, Qt::Key_Return);
    EXPECT_EQ(closeClicks.count(), 1);
    EXPECT_EQ(recalc.count(), 0);
}

TEST(SortedComboBox, ItemsTakeTheirSortedPlaceAndKeepTheirData) {
    vorlane::SortedComboBox box;
    EXPECT_EQ(box.currentIndex(), -1);
    const auto add = [&box](const QString& text, int data) {
        const int at = box.addSorted(text);
        EXPECT_EQ(at, box.newIndex());
        box.setItemData(at, data);
        return at;
    };
    EXPECT_EQ(add("[FS1] : SYS", 0), 0);
    EXPECT_EQ(add("[FS1] : VOL1", 1), 1);
    EXPECT_EQ(add("[FS1] : APPS", 3), 0);
    EXPECT_EQ(add("[FS10] : SYS", 0), 0);
    EXPECT_EQ(box.currentIndex(), -1) << "adding items selects nothing";

    const QStringList expected = {"[FS10] : SYS", "[FS1] : APPS", "[FS1] : SYS", "[FS1] : VOL1"};
    const int data[] = {0, 3, 0, 1};
    for (int i = 0; i < box.count(); ++i) {
        EXPECT_EQ(box.itemText(i), expected[i]);
        EXPECT_EQ(box.itemData(i).toInt(), data[i]) << expected[i].toStdString();
    }
}

TEST(SortedComboBox, CollationIgnoresCaseFirstAndIsTotal) {
    EXPECT_TRUE(vorlane::SortedComboBox::sortsBefore("apps", "SYS"));
    EXPECT_TRUE(vorlane::SortedComboBox::sortsBefore("SYS", "sys"));
    EXPECT_FALSE(vorlane::SortedComboBox::sortsBefore("sys", "SYS"));
    EXPECT_FALSE(vorlane::SortedComboBox::sortsBefore("SYS", "SYS"));

    vorlane::SortedComboBox box;
    box.addSorted("SYS");
    EXPECT_EQ(box.addSorted("SYS"), 1) << "an equal item goes after the ones already there";
}

TEST(ListBox, TopIndexCanBeReadAndSet) {
    vorlane::ListBox list;
    list.resize(100, 100);
    QStringList rows;
    for (int i = 0; i < 500; ++i)
        rows << QString::number(i);
    list.setItems(rows);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    EXPECT_EQ(list.topIndex(), 0);
    list.setTopIndex(120);
    EXPECT_EQ(list.topIndex(), 120);
    EXPECT_EQ(list.indexAt(QPoint(1, 1)).row(), 120);
    EXPECT_EQ(list.itemText(120), "120");
}

} // namespace
