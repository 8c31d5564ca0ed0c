#pragma once

#include "app/ListingRun.h"
#include "netware/Client.h"
#include "report/UsageListing.h"
#include "session/UserChannel.h"

#include <QDialog>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vorlane {

class ListBox;
class SortedComboBox;

// What the last completed listing was, for Recalc to repeat.
enum class LastList : std::uint8_t { ByVolume, ByServer, NoListingYet };

// The one window, "Disk Usage". It owns the tool's use of the client: the
// default connection for its whole life, and the state of the last listing.
//
// Built on QDialog for its keyboard contract: Enter presses the default
// button (or the focused push button), Escape the cancel button.
//
// A listing runs on a thread of its own (ListingRun). While it runs the
// window is in one state, "a listing is running": the context, Recurse, both
// pickers and Recalc take no input (they are disabled, so no route, keyboard,
// mouse or accessibility action, starts a second listing); the result lists
// stay open to scrolling and copying; Escape cancels the listing; closing the
// window cancels it and closes the window once it has ended.
class MainWindow final : public QDialog {
    Q_OBJECT
public:
    MainWindow(nw::Client& client, UserChannel& user, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Brings the client up and fills both lists. Runs before the window is
    // first shown; any failure ends the program with its message.
    void Form_Load();

    LastList lastList() const { return lastList_; }
    nw::NWCONN_HANDLE defConnH() const { return defConnH_; }
    bool listingRunning() const { return run_ != nullptr; }
    // How soon the progress window of a long listing comes up, and how often
    // its figures change.
    void setListingTiming(ListingRun::Timing timing) { timing_ = timing; }

    // The size of the client area, fixed.
    static QSize clientSize();
    // Window geometry is laid out in twips; 15 make a pixel at 96 dpi, and Qt
    // scales pixels for other screens.
    static int twips(int value);

Q_SIGNALS:
    // A listing ended, completed or not; the lists show its rows if it did.
    void listingEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    enum class ListKind : std::uint8_t { ByVolume, ByServer };

    void buildControls();
    void addVolumes(const std::string& server);
    void Form_Unload();

    // Driven by QComboBox::activated of cmbVolumes: the user picked a volume.
    void cmbVolumes_Click();
    // Driven by QComboBox::activated of cmbServer: the user picked a server.
    void cmbServer_Click();
    // Driven by QPushButton::clicked of cmdRecalc (click, Enter, Alt+R).
    void cmdRecalc_Click();
    // Driven by QPushButton::clicked of cmdClose (click, Escape, Alt+O).
    void cmdClose_Click();
    // Driven by QAbstractItemView::clicked and the current-row change of lstUsage.
    void lstUsage_Click();
    // Driven by QScrollBar::valueChanged of lstUsage's scroll bar.
    void lstUsage_Scroll();

    // Starts a listing of the given kind with what is typed and picked now.
    void doList(ListKind kind, bool freshFigures = false);
    void setListingRunning(bool running);
    void endListing(ListingOutcome outcome, ListKind kind);
    // Shows the rows of a completed listing, largest first, from the top.
    void showResults(UsageRows rows);

    nw::Client& client_;
    UserChannel& user_;

    nw::NWCONN_REF defConnRef_ = 0;
    nw::NWCONN_HANDLE defConnH_ = 0;
    LastList lastList_ = LastList::NoListingYet;
    bool loaded_ = false;
    bool unloaded_ = false;

    std::unique_ptr<ListingRun> run_;
    ListingRun::Timing timing_;
    bool closeAfterListing_ = false;
    QPointer<QWidget> focusBeforeListing_;
    // When the user last cancelled a listing: an Escape that follows it
    // closely is the same gesture, not a request to close the program.
    std::optional<std::chrono::steady_clock::time_point> lastCancel_;

    QLineEdit* txtContext_ = nullptr;
    QLabel* lblContext_ = nullptr;
    QPushButton* cmdClose_ = nullptr;
    ListBox* lstUsers_ = nullptr;
    ListBox* lstUsage_ = nullptr;
    QLabel* lblStuff_ = nullptr;
    SortedComboBox* cmbVolumes_ = nullptr;
    QLabel* lblVolume_ = nullptr;
    SortedComboBox* cmbServer_ = nullptr;
    QLabel* lblServer_ = nullptr;
    QPushButton* cmdRecalc_ = nullptr;
    QCheckBox* optRecurse_ = nullptr;
    QLabel* lblRecurse_ = nullptr;
};

} // namespace vorlane
