#include "app/Program.h"
#include "app/QtUserChannel.h"

#include "support/WindowHarness.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace {

TEST(Program, StartsItsWindowLoadedAndShownOrSaysWhyThereIsNone) {
    testing_support::FakeUserChannel user;
    nw::OpenedClient opening{testing_support::simulate(R"json({
      "servers": [ { "name": "FS1", "volumes": [ { "number": 0, "name": "SYS" } ] } ], "defaultServer": "FS1",
      "tree": [ { "name": "ACME", "class": "Organization" } ] })json")};
    const vorlane::Program program = vorlane::startProgram(std::move(opening), user);
    ASSERT_NE(program.window, nullptr);
    EXPECT_TRUE(program.window->isVisible());
    EXPECT_EQ(program.window->findChild<QComboBox*>("cmbServer")->count(), 1);
    EXPECT_EQ(QApplication::applicationName(), "Vorlane");

    const vorlane::Program none = vorlane::startProgram(nw::Refusal{"No directory at ldap://nowhere"}, user);
    EXPECT_EQ(none.window, nullptr);
    EXPECT_EQ(user.messages, std::vector<std::string>{"No directory at ldap://nowhere"});
}

// What the real channel shows: a modal box titled with the program's name,
// OK only.
TEST(QtUserChannel, ShowsAModalMessageWithOkOnly) {
    QApplication::setApplicationName("Vorlane");
    QString seen;
    QTimer::singleShot(0, [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        seen = box->windowTitle() + "|" + box->text() + "|" + QString::number(box->buttons().size()) + "|" +
               QString::number(box->isModal());
        box->accept();
    });
    vorlane::QtUserChannel().showMessage("Context does not exist");
    EXPECT_EQ(seen, "Vorlane|Context does not exist|1|1");
}

TEST(QtUserChannelDeathTest, EndsTheProgramAtOnceWithoutLosingWhatWasWritten) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string path = testing::TempDir() + "vorlane-end-of-program";
    EXPECT_EXIT(
        {
            std::FILE* file = std::fopen(path.c_str(), "w");
            std::fputs("written before the end", file);
            vorlane::QtUserChannel().endProgram(3);
        },
        testing::ExitedWithCode(3), "");
    std::ifstream written(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), "written before the end");
}

} // namespace
