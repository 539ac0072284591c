// The main window.
#include "main_window/qt/form1.h"

#include "compare/comparison.h"
#include "compare/converted_pairs.h"
#include "compare/folder_scan.h"
#include "main_window/commands.h"
#include "main_window/folder_history.h"
#include "main_window/pointer_rules.h"
#include "main_window/probes/path_probes.h"
#include "main_window/qt/box_events.h"
#include "main_window/qt/convert_dialog.h"
#include "main_window/qt/list_drops.h"
#include "main_window/qt/result_lists.h"
#include "main_window/qt/result_rows_model.h"
#include "main_window/qt/result_rows_view.h"
#include "main_window/qt/stored_window_size.h"
#include "main_window/settings_keys.h"
#include "platform/mtp_address.h"
#include "platform/qt/clickable_picture.h"
#include "platform/qt/path_text.h"
#include "platform/qt/picture_button.h"
#include "platform/qt/qt_widgets.h"
#include "platform/twips.h"
#include "sync_wizard/qt/form3.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTableView>

#include <utility>

namespace parlowen {

Form1::Form1(Services& services, ResultStore& results, QWidget* parent)
    : QWidget(parent), m_services(services), m_results(results)
{
    setObjectName(QStringLiteral("Form1"));
    setUpWindow(this, QStringLiteral("Parlowen"));
    setFont(arial(9.75, false));
    setMouseTracking(true);
    setGeometry(twipsToPixels(3015), twipsToPixels(3120), twipsToPixels(kDesignedClientWidth),
                twipsToPixels(7335));
    m_leftRows = new ResultRowsModel(this);
    m_rightRows = new ResultRowsModel(this);
    auto* leftView = new ResultRowsView(m_leftRows, this);
    auto* rightView = new ResultRowsView(m_rightRows, this);
    ui.setupUi(this, leftView, rightView);
    m_lists = new ResultLists(ui, leftView, rightView, services.settings, this);
    m_box1 = QtFolderBox(ui.Combo1);
    m_box2 = QtFolderBox(ui.Combo2);
    m_surface = ui.surface();
    m_size = new StoredWindowSize(this, services.settings, [this](double width, double height) {
        layOutForm1(*m_surface, width, height);
        ui.fitLegend();
        m_lists->followListWidths();
    });
    connectHandlers();
    Form_Load();
}

Form1::~Form1()
{
    delete m_size; // it lays out through members that are gone once the widget is torn down
}

void Form1::connectHandlers()
{
    connect(ui.Check1, &QToolButton::clicked, this, &Form1::Check1_Click);
    // The left player's converting rule: Ctrl+P, or from its list's menu.
    auto* convert = new QAction(QStringLiteral("&Convert for this player..."), this);
    convert->setObjectName(QStringLiteral("convertAction"));
    convert->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    addAction(convert);
    ui.ListView1->addAction(convert);
    connect(convert, &QAction::triggered, this,
            [this] {
                editConvertRule(this, m_box1.text(),
                                m_leftPlays.first == m_box1.text() ? m_leftPlays.second
                                                                   : std::vector<std::string>());
            });
    connect(&m_compareJob, &BackgroundJob::finished, this, &Form1::Compare_Finished);
    connect(&m_deviceLook, &BackgroundJob::finished, this,
            [this] { m_box1.offerDevices(m_devicesFound.addresses); });
    // A player attached since is found when the list is opened.
    new ShowWatch(ui.Combo1->view()->window(), [this] { lookForDevices(); }, this);
    m_rowsComing.setInterval(200);
    connect(&m_rowsComing, &QTimer::timeout, this, [this] {
        m_leftRows->catchUp();
        m_rightRows->catchUp();
    });
    connect(ui.Check2, &QToolButton::clicked, this, &Form1::Check2_Click);
    connect(ui.Check7, &QToolButton::clicked, this, &Form1::Check7_Click);
    connect(ui.Image1, &ClickablePicture::clicked, this, [this] { Image_Click(ui.Combo1); });
    connect(ui.Image2, &ClickablePicture::clicked, this, [this] { Image_Click(ui.Combo2); });
    connect(ui.ListView1, &QTableView::clicked, this, &Form1::ListView1_Click);
    connect(ui.Combo1, &QComboBox::currentIndexChanged, this, &Form1::Combo_Click);
    // Enter in a folder box compares, as the Compare button does.
    for (QComboBox* box : {ui.Combo1, ui.Combo2})
        new EnterInBox(box, [this] { Check1_Click(); });
    connect(ui.Combo2, &QComboBox::currentIndexChanged, this, &Form1::Combo_Click);
    const auto accepting = [this] { return !scanning(); };
    new ListDrops(ui.ListView1->viewport(), accepting,
                  [this](const auto& items) { ListView_Drop(ui.Combo1, items); });
    new ListDrops(ui.ListView2->viewport(), accepting,
                  [this](const auto& items) { ListView_Drop(ui.Combo2, items); });
    new MoveWatch(
        {ui.Check1, ui.Check2, ui.Check7, ui.Image1, ui.Image2, ui.ListView1->viewport(),
         ui.ListView2->viewport()},
        [this](QObject* part) { pointerMoved(part); }, this);
}

void Form1::Form_Load()
{
    // The hand is loaded ahead; the pointer itself changes only when a rule runs.
    if (LoadCursorFile(m_pointer.state(), m_services.programFolder, kHandCursor))
        m_pointer.apply();
    ui.Combo1->setEditText(QString());
    ui.Combo2->setEditText(QString());
    Main::LoadFolderHistory(boxes(), m_services.settings);
    Main::RestoreSelections(boxes(), m_services.settings);
    ui.cropBrowsePictures();
    m_size->applyStored();
    ui.sizeResultColumns();
    m_lists->restoreKept();
    ui.placeLegend();
    lookForDevices();
}

void Form1::lookForDevices()
{
    if (!m_services.devices || m_deviceLook.running())
        return;
    m_deviceLook.start([this, devices = m_services.devices](std::stop_token) {
        m_devicesFound = devices->list();
    });
}

void Form1::Check1_Click()
{
    if (!scanning())
        startCompare();
}

void Form1::startCompare()
{
    m_lists->showScanOrder();
    // Each list shows its side's rows as the scan finds them.
    m_live = std::make_unique<LiveRows>();
    m_leftRows->follow(&m_live->left);
    m_rightRows->follow(&m_live->right);
    m_rowsComing.start();
    m_results.clear();
    settleFolderText(ui.Combo1);
    settleFolderText(ui.Combo2);
    setWindowTitle(QStringLiteral("Parlowen [Loading files, please wait...]"));
    m_pointer.state().mode = PointerMode::Hourglass;
    m_pointer.apply();
    m_compared = comparedRoots(m_box1.text(), m_box2.text(), {}, {});
    // The folder check may wait on a device too: each side's runs with its scan, off this
    // thread, and a side that hangs does not hold the other's rows back.
    m_compareJob.start([this, left = m_box1.text(), right = m_box2.text(),
                        live = m_live.get()](std::stop_token stop) {
        m_comparison = compareFolders(left, right, std::move(stop), live, m_services.devices,
                                      [&left] { return convertSetupFor(addressOrPath(left)); });
        m_refusal = folderRefusal(left, m_comparison.leftProblem, right,
                                  m_comparison.rightProblem);
    });
}

void Form1::Compare_Finished()
{
    setWindowTitle(QStringLiteral("Parlowen"));
    m_rowsComing.stop();
    Comparison done = std::move(m_comparison);
    const std::unique_ptr<LiveRows> live = std::move(m_live);
    // An unfinished Compare leaves the lists empty, as it found them.
    const bool finished = !done.abandoned && !m_compareJob.stopRequested();
    const bool failed = !m_compareJob.failure().empty() || m_refusal;
    m_leftRows->reset(finished && !failed ? std::move(live->left.scanned())
                                          : std::vector<ResultRow>());
    m_rightRows->reset(finished && !failed ? std::move(live->right.scanned())
                                           : std::vector<ResultRow>());
    if (!finished)
        return; // the program is ending
    // What the last Sync did comes first; what this Compare found after it.
    tellSyncOutcome();
    if (const auto refused = std::exchange(m_refusal, std::nullopt)) {
        m_services.messages.show(refused->title, refused->text);
        return;
    }
    if (failed) {
        m_services.messages.show("Error", "The comparison could not be finished (" +
                                              m_compareJob.failure() +
                                              "). Press Compare to try again.");
        return;
    }
    m_lists->showResult();
    m_results = std::move(done.plan);
    m_leftPlays = {m_box1.text(), std::move(done.leftFacts.plays)};
    // Both folders were compared: the history keeps them (typing kept nothing).
    Combo_Change(ui.Combo1, Main::rootOf(m_compared.left));
    Combo_Change(ui.Combo2, Main::rootOf(m_compared.right));
    m_compared.leftSeen = done.leftSeen;
    m_compared.rightSeen = done.rightSeen;
    if (!done.skipped.empty())
        m_services.messages.show("Skip", skipReport(done.skipped));
}

void Form1::tellSyncOutcome()
{
    if (!m_syncToTell)
        return;
    const auto message = syncEndMessage(*m_syncToTell, m_box1.text(), m_box2.text());
    m_syncToTell.reset();
    m_services.messages.show(message.title, message.text);
}

void Form1::Check2_Click()
{
    if (scanning())
        return;
    if (const auto refused =
            syncRefusal(m_results, m_leftRows->rows().size(), m_rightRows->rows().size(),
                        m_box1.text(), m_box2.text())) {
        m_services.messages.show(refused->title, refused->text);
        return;
    }
    hide();
    // The folders compared, whatever the boxes say now.
    auto* wizard = new Form3(m_services, m_results, m_compared);
    wizard->move(pos());
    wizard->resize(size());
    connect(wizard, &Form3::planCarriedOut, this, &Form1::Wizard_PlanCarriedOut);
    connect(wizard, &Form3::closing, this, &QWidget::show);
    wizard->show();
}

void Form1::Wizard_PlanCarriedOut(const CarryOutResult& run)
{
    show();
    // The outcome is told once the lists show the folders as they now are.
    m_syncToTell = run;
    startCompare();
}

void Form1::Check7_Click()
{
    m_compareJob.stop(); // the scans end at their next folder
    emit exitRequested();
}

bool Form1::compareEndsWithin(int milliseconds)
{
    m_compareJob.stop();
    m_deviceLook.stop();
    return m_compareJob.waitFor(milliseconds) && m_deviceLook.waitFor(milliseconds);
}

void Form1::closeEvent(QCloseEvent* event)
{
    m_compareJob.stop();
    QWidget::closeEvent(event);
}

void Form1::Image_Click(QComboBox* box)
{
    if (scanning())
        return;
    const std::string chosen = m_services.folderDialog.browseForFolder("Please select folder to add:");
    box->setEditText(pathToText(chosen));
    Combo_Change(box, chosen);
}

void Form1::ListView1_Click()
{
    if (scanning())
        return; // the rows have no check marks until the Compare ends
    toggleSelectedCheckMarks(*ui.ListView1, *m_leftRows, m_lastClickedText);
}

void Form1::ListView_Drop(QComboBox* box, const std::vector<DroppedItem>& items)
{
    const DropOutcome drop = foldersForDrop(items);
    for (const std::string& folder : drop.folders) {
        box->setEditText(pathToText(folder));
        Combo_Change(box, folder);
    }
    if (drop.refused)
        m_services.messages.show("Error", kVirtualFolderDrop);
}

void Form1::Combo_Change(QComboBox* box, const std::string& folder)
{
    const bool left = box == ui.Combo1;
    Main::RememberFolder(left ? m_box1 : m_box2, left ? keys::kLeftCombo : keys::kRightCombo,
                         folder, m_services.settings);
}

void Form1::Combo_Click()
{
    Main::SaveSelections(boxes(), m_services.settings);
}

void Form1::pointerMoved(QObject* part)
{
    if (scanning())
        return; // the hourglass stays while the scans run
    const bool left = part == ui.ListView1->viewport();
    if (left || part == ui.ListView2->viewport()) {
        const bool hasRows = (left ? m_leftRows : m_rightRows)->rowCount() > 0;
        pointerMoveOnForm1(m_pointer.state(), Form1Part::ResultList, hasRows,
                           m_services.programFolder);
    } else {
        const bool picture = part == ui.Image1 || part == ui.Image2;
        pointerMoveOnForm1(m_pointer.state(),
                           picture ? Form1Part::BrowsePicture : Form1Part::Button, false,
                           m_services.programFolder);
    }
    m_pointer.apply();
}

void Form1::mouseMoveEvent(QMouseEvent* event)
{
    QWidget::mouseMoveEvent(event);
    // Moves over a button or a list come here too once the child has seen them; only the
    // window's own surface gets the background's rule.
    if (!childAt(event->position().toPoint()))
        Form_MouseMove();
}

void Form1::Form_MouseMove()
{
    if (scanning())
        return;
    pointerMoveOnForm1(m_pointer.state(), Form1Part::Background, false, m_services.programFolder);
    m_pointer.apply();
}

void Form1::settleFolderText(QComboBox* box)
{
    const std::string text = textToPath(box->currentText());
    const std::string root = Main::rootOf(addressOrPath(text));
    if (root != text)
        box->setEditText(pathToText(root)); // through the box's change handling
}

} // namespace parlowen
