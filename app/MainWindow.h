#pragma once

#include "netware/Client.h"
#include "netware/UserChannel.h"
#include "report/UsageListing.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vorlane {

class CloseRequestFilter;
class ListBox;
class ListingFeedback;
class SortedComboBox;

// The one window, "Disk Usage". It owns the tool's use of the client: the
// default connection for its whole life, and the state of the last listing.
//
// Built on QDialog for its keyboard contract: Enter presses the default
// button (or the focused push button), Escape the cancel button.
class MainWindow final : public QDialog {
    Q_OBJECT
public:
    // The two kinds of listing: usage summed over the server chosen in the
    // server list, or usage on the volume chosen in the volume list.
    enum class ListKind : std::uint8_t { ByVolume, ByServer };
    // What the last completed listing was, for Recalc to repeat.
    enum LastList : std::uint8_t { ByVolume = 0, ByServer = 1, NoListingYet = 2 };

    MainWindow(nw::Client& client, nw::UserChannel& user, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Brings the client up and fills both lists. Runs before the window is
    // first shown; any failure ends the program with its message.
    void Form_Load();
    // Shuts the client down; runs once, however the window is closed.
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

    // One listing of the given kind with what is typed and picked now. While
    // it runs the window keeps answering but takes no input, and a second
    // listing cannot start; closing the window stops the listing first.
    void doList(ListKind kind);

    std::uint8_t lastList() const { return lastList_; }
    nw::NWCONN_HANDLE defConnH() const { return defConnH_; }

    // The size of the client area, fixed.
    static QSize clientSize();
    // Window geometry is laid out in twips; 15 make a pixel at 96 dpi, and Qt
    // scales pixels for other screens.
    static int twips(int value);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void buildControls();
    void addVolumes(const std::string& server);
    // Orders the rows of a completed listing and shows them.
    void sortResults(std::vector<UsageRow>& rows);

    nw::Client& client_;
    nw::UserChannel& user_;

    nw::NWCONN_REF defConnRef_ = 0;
    nw::NWCONN_HANDLE defConnH_ = 0;
    std::uint8_t lastList_ = NoListingYet;
    bool loaded_ = false;
    bool unloaded_ = false;
    // The listing that runs now, if any, and whether the window is to close
    // once it has unwound.
    ListingFeedback* listing_ = nullptr;
    bool closeAfterListing_ = false;
    std::unique_ptr<CloseRequestFilter> closeRequests_;

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
