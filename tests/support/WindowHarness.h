#pragma once

#include "app/ListBox.h"
#include "app/MainWindow.h"
#include "app/ProgressWindow.h"
#include "app/SortedComboBox.h"

#include "support/FakeUserChannel.h"
#include "support/Gate.h"
#include "support/RecordingClient.h"
#include "support/SimNetwork.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <gtest/gtest.h>

namespace testing_support {

// The real window over a stand-in network (or any client), loaded and
// ready, with every client call recorded and every message caught.
class WindowHarness {
public:
    explicit WindowHarness(std::string_view json) : sim(simulate(json)), client(*sim), window(client, user) {
        window.Form_Load();
    }
    // The real window over any client.
    explicit WindowHarness(nw::Client& inner) : client(inner), window(client, user) { window.Form_Load(); }

    template <typename T> T* control(const char* name) const {
        auto* widget = window.findChild<T*>(QString::fromLatin1(name));
        if (widget == nullptr)
            throw std::runtime_error(std::string("no control ") + name);
        return widget;
    }

    vorlane::SortedComboBox* volumes() const { return control<vorlane::SortedComboBox>("cmbVolumes"); }
    vorlane::SortedComboBox* servers() const { return control<vorlane::SortedComboBox>("cmbServer"); }
    vorlane::ListBox* usersList() const { return control<vorlane::ListBox>("lstUsers"); }
    vorlane::ListBox* usageList() const { return control<vorlane::ListBox>("lstUsage"); }

    // The progress window while it is up, else null.
    vorlane::ProgressWindow* shownProgress() const {
        auto* progress = window.findChild<vorlane::ProgressWindow*>();
        return progress != nullptr && progress->isVisible() ? progress : nullptr;
    }

    void setContext(const QString& text) { control<QLineEdit>("txtContext")->setText(text); }
    void setRecurse(bool on) { control<QCheckBox>("optRecurse")->setChecked(on); }

    // Picks the entry as a user does (the picker says it was activated) and
    // waits for the listing that starts to end.
    void pickVolume(const QString& entry) {
        startPick(volumes(), entry);
        waitForListing();
    }
    void pickServer(const QString& server) {
        startPick(servers(), server);
        waitForListing();
    }
    void pressRecalc() {
        control<QPushButton>("cmdRecalc")->click();
        waitForListing();
    }
    // The same without waiting.
    static void startPick(vorlane::SortedComboBox* box, const QString& text) {
        Q_EMIT box->activated(select(box, text));
    }
    // Handles events until no listing runs; what the listing's end throws
    // (the end of the program) comes out here.
    void waitForListing() const {
        while (window.listingRunning())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }

    static int select(vorlane::SortedComboBox* box, const QString& text) {
        const int index = box->findText(text);
        if (index < 0)
            throw std::runtime_error("no entry " + text.toStdString());
        box->setCurrentIndex(index);
        return index;
    }

    static QStringList rows(const vorlane::ListBox* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->model()->index(i, 0).data().toString();
        return out;
    }
    // The shown result as "NAME=USAGE" pairs, row for row.
    QStringList shown() const {
        const QStringList names = rows(usersList());
        const QStringList usages = rows(usageList());
        EXPECT_EQ(names.size(), usages.size());
        QStringList out;
        for (qsizetype i = 0; i < std::min(names.size(), usages.size()); ++i)
            out << names[i] + "=" + usages[i];
        return out;
    }

    std::unique_ptr<nwsim::SimClient> sim;
    RecordingClient client;
    FakeUserChannel user;
    vorlane::MainWindow window;
};

} // namespace testing_support
