#include "app/MainWindow.h"

#include "app/ListBox.h"
#include "app/SortedComboBox.h"
#include "discovery/ServerScan.h"
#include "discovery/VolumeList.h"
#include "session/Startup.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <chrono>
#include <limits>

namespace vorlane {
namespace {

// The column header: one blank, "User", 49 blanks, "Usage (K)".
const QString kHeader = QStringLiteral(" User") + QString(49, QLatin1Char(' ')) + QStringLiteral("Usage (K)");

// Where every control sits, in twips of the client area, in tab order.
struct Placement {
    const char* name;
    int left;
    int top;
    int width;
    int height;
};

constexpr std::array<Placement, 13> kLayout = {{
    {"txtContext", 840, 120, 3135, 285},
    {"lblContext", 120, 165, 615, 255},
    {"cmdClose", 2880, 5280, 1080, 375},
    {"lstUsers", 240, 1920, 3015, 3180},
    {"lstUsage", 2760, 1920, 1215, 3180},
    {"lblStuff", 240, 1680, 3735, 255},
    {"cmbVolumes", 840, 840, 3135, 315},
    {"lblVolume", 120, 885, 615, 255},
    {"cmbServer", 840, 1200, 3135, 315},
    {"lblServer", 0, 1245, 735, 255},
    {"cmdRecalc", 1800, 5280, 975, 375},
    {"optRecurse", 840, 480, 255, 255},
    {"lblRecurse", 120, 500, 615, 255},
}};

// The item data of a volume entry: its volume number, the server it belongs
// to and its own name, as listed, so that none is ever parsed back out of
// the text.
constexpr int kVolumeNumberRole = Qt::UserRole;
constexpr int kServerRole = Qt::UserRole + 1;
constexpr int kVolumeNameRole = Qt::UserRole + 2;

// An Escape this soon after a cancel belongs to the press that cancelled.
constexpr std::chrono::milliseconds kEscapeAfterCancel{500};

constexpr int kClientWidthTwips = 4065;
constexpr int kClientHeightTwips = 5730;

QLabel* fieldLabel(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(buddy);
    buddy->setAccessibleName(text);
    return label;
}

// The layout is fixed in twips and was drawn for a small face. The desktop's
// usual 9 or 10 points would cut the field labels and push "Usage (K)" off
// the header, so the window takes the largest size up to 8 points at which
// the longest label and the whole header fit their fixed widths, whatever
// font family the desktop uses.
QFont fittingFont(QFont font) {
    const QString longestLabel = QStringLiteral("Or Server");
    for (int halfPoints = 16; halfPoints > 10; --halfPoints) {
        font.setPointSizeF(halfPoints / 2.0);
        const QFontMetrics metrics(font);
        if (metrics.horizontalAdvance(longestLabel) <= (735 + 7) / 15 - 2 &&
            metrics.horizontalAdvance(kHeader) <= (3735 + 7) / 15 - 2)
            break;
    }
    return font;
}

} // namespace

int MainWindow::twips(int value) {
    return (value + 7) / 15;
}

QSize MainWindow::clientSize() {
    return {twips(kClientWidthTwips), twips(kClientHeightTwips)};
}

MainWindow::MainWindow(nw::Client& client, UserChannel& user, QWidget* parent)
    : QDialog(parent), client_(client), user_(user) {
    setObjectName(QStringLiteral("frmVorlane"));
    setWindowTitle(QStringLiteral("Disk Usage"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(fittingFont(font()));
    buildControls();
    setFixedSize(clientSize());
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls() {
    txtContext_ = new QLineEdit(this);
    cmdClose_ = new QPushButton(QStringLiteral("Cl&ose"), this);
    lstUsers_ = new ListBox(this);
    // Made after the names, so it lies in front: the usage column covers the
    // right-hand edge of the name column, scroll bar included, and the pair
    // reads as one two-column list.
    lstUsage_ = new ListBox(this);
    lblStuff_ = new QLabel(kHeader, this);
    cmbVolumes_ = new SortedComboBox(this);
    cmbServer_ = new SortedComboBox(this);
    cmdRecalc_ = new QPushButton(QStringLiteral("&Recalc"), this);
    optRecurse_ = new QCheckBox(this);
    lblContext_ = fieldLabel(QStringLiteral("Context"), txtContext_, this);
    lblVolume_ = fieldLabel(QStringLiteral("Volume"), cmbVolumes_, this);
    lblServer_ = fieldLabel(QStringLiteral("Or Server"), cmbServer_, this);
    lblRecurse_ = fieldLabel(QStringLiteral("Recurse"), optRecurse_, this);
    // No length limit: Qt's default of 32,767 characters would cut a longer
    // paste without a word, and a listing would then ask for another context.
    txtContext_->setMaxLength(std::numeric_limits<int>::max());
    lstUsers_->setAccessibleName(QStringLiteral("User"));
    lstUsage_->setAccessibleName(QStringLiteral("Usage (K)"));

    const std::array<QWidget*, 13> inTabOrder = {txtContext_, lblContext_, cmdClose_,  lstUsers_,  lstUsage_,
                                                 lblStuff_,   cmbVolumes_, lblVolume_, cmbServer_, lblServer_,
                                                 cmdRecalc_,  optRecurse_, lblRecurse_};
    QWidget* previous = nullptr;
    for (std::size_t i = 0; i < kLayout.size(); ++i) {
        QWidget* widget = inTabOrder[i];
        const Placement& at = kLayout[i];
        widget->setObjectName(QString::fromLatin1(at.name));
        widget->setGeometry(twips(at.left), twips(at.top), twips(at.width), twips(at.height));
        if (widget->focusPolicy() == Qt::NoFocus)
            continue; // labels never take the focus
        if (previous != nullptr)
            setTabOrder(previous, widget);
        previous = widget;
    }

    // Enter presses the push button that has the focus (push buttons of a
    // dialog take Enter when focused), else Recalc.
    cmdRecalc_->setDefault(true);

    connect(cmdClose_, &QPushButton::clicked, this, &MainWindow::cmdClose_Click);
    connect(cmdRecalc_, &QPushButton::clicked, this, &MainWindow::cmdRecalc_Click);
    connect(cmbVolumes_, &QComboBox::activated, this, &MainWindow::cmbVolumes_Click);
    connect(cmbServer_, &QComboBox::activated, this, &MainWindow::cmbServer_Click);
    connect(lstUsage_, &QAbstractItemView::clicked, this, &MainWindow::lstUsage_Click);
    connect(lstUsage_->selectionModel(), &QItemSelectionModel::currentChanged, this, &MainWindow::lstUsage_Click);
    connect(lstUsage_->verticalScrollBar(), &QScrollBar::valueChanged, this, &MainWindow::lstUsage_Scroll);
}

void MainWindow::Form_Load() {
    const StartupState state = startClient(client_, user_);
    txtContext_->setText(QString::fromStdString(state.defaultContext));
    defConnRef_ = state.defConnRef;
    defConnH_ = state.defConnH;
    loaded_ = true;

    // Both lists were made empty with the window; only the scan fills them.
    scanKnownServers(client_, user_, defConnH_, [this](const std::string& server) {
        cmbServer_->addSorted(QString::fromStdString(server));
        addVolumes(server);
    });
    lastList_ = LastList::NoListingYet;
}

void MainWindow::addVolumes(const std::string& server) {
    const QString prefix = QStringLiteral("[") + QString::fromStdString(server) + QStringLiteral("] : ");
    vorlane::addVolumes(client_, user_, defConnH_, server, [&](const std::string& volume, int number) {
        cmbVolumes_->addSorted(prefix + QString::fromStdString(volume));
        cmbVolumes_->setItemData(cmbVolumes_->newIndex(), number, kVolumeNumberRole);
        cmbVolumes_->setItemData(cmbVolumes_->newIndex(), QString::fromStdString(server), kServerRole);
        cmbVolumes_->setItemData(cmbVolumes_->newIndex(), QString::fromStdString(volume), kVolumeNameRole);
    });
}

void MainWindow::cmbVolumes_Click() {
    doList(ListKind::ByVolume);
}

void MainWindow::cmbServer_Click() {
    doList(ListKind::ByServer);
}

void MainWindow::cmdRecalc_Click() {
    // A repeat asks for the figures afresh: the client counts again what it
    // may have kept from an earlier listing.
    if (lastList_ == LastList::ByVolume)
        doList(ListKind::ByVolume, true);
    // Read afresh: a listing by volume never makes it ByServer, so one press
    // runs at most one listing.
    if (lastList_ == LastList::ByServer)
        doList(ListKind::ByServer, true);
}

void MainWindow::lstUsage_Click() {
    lstUsers_->setTopIndex(lstUsage_->topIndex());
}

void MainWindow::lstUsage_Scroll() {
    lstUsers_->setTopIndex(lstUsage_->topIndex());
}

void MainWindow::doList(ListKind kind, bool freshFigures) {
    // One listing at a time, and none once the client is shut down.
    if (run_ != nullptr || unloaded_)
        return;
    const bool byServer = kind == ListKind::ByServer;
    SortedComboBox* picker = byServer ? cmbServer_ : cmbVolumes_;
    const int selected = picker->currentIndex();
    if (selected < 0)
        return;
    if (txtContext_->text().isEmpty()) {
        user_.showMessage("Enter a context");
        return;
    }

    ListingRequest request;
    request.context = txtContext_->text().toStdString();
    request.recurse = optRecurse_->isChecked();
    const QString server =
        byServer ? cmbServer_->itemText(selected) : cmbVolumes_->itemData(selected, kServerRole).toString();
    request.server = server.toStdString();
    for (int i = 0; i < cmbVolumes_->count(); ++i) {
        if ((byServer || i == selected) && cmbVolumes_->itemData(i, kServerRole).toString() == server)
            request.volumes.push_back({static_cast<nw::nuint8>(cmbVolumes_->itemData(i, kVolumeNumberRole).toInt()),
                                       cmbVolumes_->itemData(i, kVolumeNameRole).toString().toStdString()});
    }

    setListingRunning(true);
    run_ = std::make_unique<ListingRun>(client_, user_, defConnH_, std::move(request), freshFigures, *this, timing_,
                                        [this, kind](ListingOutcome outcome) { endListing(std::move(outcome), kind); });
}

void MainWindow::setListingRunning(bool running) {
    const std::array<QWidget*, 5> request = {txtContext_, optRecurse_, cmbVolumes_, cmbServer_, cmdRecalc_};
    if (running) {
        // Keys typed during the listing go to the usage list, where Enter
        // presses nothing and Escape cancels; left to itself, Qt would hand
        // the focus of a disabled picker on to Close.
        focusBeforeListing_ = focusWidget();
        if (std::find(request.begin(), request.end(), focusWidget()) != request.end())
            lstUsage_->setFocus();
        setCursor(Qt::BusyCursor);
    }
    for (QWidget* control : request)
        control->setEnabled(!running);
    if (!running) {
        unsetCursor();
        if (focusBeforeListing_ != nullptr)
            focusBeforeListing_->setFocus();
    }
}

void MainWindow::endListing(ListingOutcome outcome, ListKind kind) {
    // The run is in the middle of telling its end: it goes once it has.
    run_.release()->deleteLater();
    if (outcome.cancelledAt)
        lastCancel_ = outcome.cancelledAt;
    setListingRunning(false);
    if (outcome.thrown)
        std::rethrow_exception(outcome.thrown);
    if (closeAfterListing_) {
        close();
        return;
    }
    if (outcome.result.completed) {
        showResults(std::move(outcome.result.rows));
        lastList_ = kind == ListKind::ByServer ? LastList::ByServer : LastList::ByVolume;
    }
    Q_EMIT listingEnded();
}

void MainWindow::showResults(UsageRows rows) {
    // Both lists start at their first rows, in line, wherever the old ones
    // were scrolled to.
    showUsageRows(std::move(rows), *lstUsers_, *lstUsage_);
}

void MainWindow::Form_Unload() {
    if (!loaded_ || unloaded_)
        return;
    unloaded_ = true;
    stopClient(client_);
}

void MainWindow::cmdClose_Click() {
    close();
}

void MainWindow::reject() {
    if (run_ != nullptr) {
        run_->cancel();
        return;
    }
    if (lastCancel_ && std::chrono::steady_clock::now() - *lastCancel_ < kEscapeAfterCancel)
        return;
    cmdClose_->click();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    // A held Escape that cancelled a listing must not go on to close the
    // program; a held Escape never needs its repeats to close it.
    if (event->key() == Qt::Key_Escape && event->isAutoRepeat()) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closed during a listing, by the window manager or by Close: the
    // listing stops first and gives back what it holds; the window closes
    // once it has ended.
    if (run_ != nullptr) {
        closeAfterListing_ = true;
        run_->cancel();
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

} // namespace vorlane
