// The bare window is the floor of start-up only while it has the tool
// window's controls, of the same kinds, in the same places.

#include "bench/BareWindow.h"
#include "bench/Fixtures.h"

#include "netware/sim/SampleNetwork.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

TEST(BareWindow, HasTheToolWindowsControlsOfTheSameKindsInTheSamePlaces) {
    nw::Opened<nwsim::Network> sample = nwsim::loadSampleNetwork();
    ASSERT_TRUE(sample);
    nwsim::SimClient sim(std::move(*sample));
    bench::ToolWindow tool(sim);
    bench::BareWindow bare;

    EXPECT_EQ(bare.size(), tool.window().size());
    int compared = 0;
    for (const QWidget* control : tool.window().findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->objectName().isEmpty())
            continue;
        const auto* twin = bare.findChild<QWidget*>(control->objectName(), Qt::FindDirectChildrenOnly);
        ASSERT_NE(twin, nullptr) << control->objectName().toStdString();
        EXPECT_EQ(twin->geometry(), control->geometry()) << control->objectName().toStdString();
        for (const char* kind : {"QLineEdit", "QPushButton", "QListView", "QLabel", "QComboBox", "QCheckBox"})
            EXPECT_EQ(twin->inherits(kind), control->inherits(kind)) << control->objectName().toStdString() << kind;
        ++compared;
    }
    EXPECT_EQ(compared, 13);
    EXPECT_EQ(bare.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 13);
}

} // namespace
