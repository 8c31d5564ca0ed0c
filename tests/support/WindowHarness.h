#pragma once

#include "app/ListBox.h"
#include "app/MainWindow.h"
#include "app/ProgressWindow.h"
#include "app/SortedComboBox.h"

#include "support/FakeUserChannel.h"
#include "support/RecordingClient.h"
#include "support/SimNetwork.h"

#include <QCheckBox>
#include <QLineEdit>
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

    // Selects the entry as a user would and runs the picker's handler.
    void pickVolume(const QString& entry) {
        select(volumes(), entry);
        window.cmbVolumes_Click();
    }
    void pickServer(const QString& server) {
        select(servers(), server);
        window.cmbServer_Click();
    }

    static void select(vorlane::SortedComboBox* box, const QString& text) {
        const int index = box->findText(text);
        if (index < 0)
            throw std::runtime_error("no entry " + text.toStdString());
        box->setCurrentIndex(index);
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
