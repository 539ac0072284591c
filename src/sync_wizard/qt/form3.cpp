// The Sync Wizard.
#include "sync_wizard/qt/form3.h"

#include "platform/qt/background_job.h"
#include "platform/qt/picture_button.h"
#include "platform/qt/qt_geometry.h"
#include "platform/qt/qt_widgets.h"
#include "platform/qt/window_pointer.h"
#include "platform/twips.h"
#include "sync_wizard/choice_summary.h"
#include "sync_wizard/qt/copy_progress_view.h"
#include "sync_wizard/qt/plan_choices.h"
#include "sync_wizard/qt/plan_model.h"
#include "sync_wizard/player_names.h"
#include "sync_wizard/progress_meter.h"
#include "sync_wizard/room_check.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QShortcut>
#include <QTimer>
#include <QTreeView>

namespace parlowen {
namespace {

const QColor kAvailable = Qt::black;
const QColor kUnavailable = QColor(192, 192, 192);

} // namespace

Form3::Form3(Services& services, const ResultStore& plan, const SyncRoots& roots, QWidget* parent)
    : QWidget(parent), m_services(services), m_roots(roots)
{
    setObjectName(QStringLiteral("Form3"));
    setAttribute(Qt::WA_DeleteOnClose);
    setUpWindow(this, QStringLiteral("Sync Wizard"));
    m_plan = new PlanModel(plan, {}, this);
    buildControls();
    Form_Load();
    lookAtDevices();
}

void Form3::lookAtDevices()
{
    // The folders and their room are read off this thread: a slow player must not hold the
    // wizard. The look-up belongs to the application, so a wizard closed meanwhile does not
    // wait for a device that does not answer.
    auto found = std::make_shared<WizardLook>();
    auto* lookUp = new BackgroundJob(QCoreApplication::instance());
    connect(lookUp, &BackgroundJob::finished, lookUp, &QObject::deleteLater);
    connect(lookUp, &BackgroundJob::finished, this, [this, found] {
        m_roomFacts = std::move(found->room);
        m_plan->setMissing(std::move(found->missing));
        m_choices->setRooms(found->rooms, m_roomFacts);
        m_devicesKnown = true;
    });
    lookUp->start([found, plan = m_plan->plan(), roots = m_roots, &files = m_services.files,
                   devices = m_services.devices](std::stop_token) {
        *found = lookForWizard(*plan, files, roots, devices);
    });
}

Form3::~Form3()
{
    // Children go in the order they were made, the runner after what watches it: the copy is
    // stopped and joined before anything else goes.
    delete m_progress;
    delete m_runner;
}

void Form3::buildControls()
{
    ListView1 = rowList(this, "ListView1", m_plan);
    ListView1->setAccessibleName(QStringLiteral("Planned file operations"));
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    Check2 = new PictureButton("Check2", "&OK", ":/pictures/ok.svg", 32, this);
    Check1 = new PictureButton("Check1", "&Cancel", ":/pictures/cancel.svg", 32, this);
    Check4 = new PictureButton("Check4", "Run &Source", ":/pictures/run_source.svg", 32, this);
    Check5 = new PictureButton("Check5", "Run &Dstn", ":/pictures/run_destination.svg", 32, this);
    Frame1 = named(new QGroupBox(QStringLiteral("Instruction"), this), "Frame1");
    Frame1->setFont(arial(11.25, true));
    Label1 = named(new QLabel(Frame1), "Label1");
    Label1->setFont(arial(9.75, true));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette darkRed = Label1->palette();
    darkRed.setColor(QPalette::WindowText, QColor(192, 0, 0));
    Label1->setPalette(darkRed);
    m_runner = new PlanRunner(this);
    connect(m_runner, &PlanRunner::finished, this, &Form3::Copy_Finished);

    // The designed geometry; the layout sets the rest at the first sizing.
    placeInTwips(ListView1, 120, 120, 11760, 5835);
    placeInTwips(Check2, 120, 6065, 1455, 1095);
    placeInTwips(Check1, 1680, 6065, 1455, 1095);
    placeInTwips(Check4, 3240, 6065, 1455, 1095);
    placeInTwips(Check5, 4800, 6065, 1455, 1095);
    placeInTwips(Frame1, 6370, 5938, 5580, 1195);
    placeInTwips(Label1, 240, 270, 5180, 700);

    setMouseTracking(true);
    new MoveWatch(
        {Check2, Check1, Check4, Check5}, [this](QObject*) { pointerMoved(); }, this);
    connect(Check2, &QToolButton::clicked, this, &Form3::Check2_Click);
    connect(Check1, &QToolButton::clicked, this, &Form3::Check1_Click);
    // Escape does what Cancel does, but never stops a copy: Stop stays a deliberate press.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, [this] {
        if (!copying())
            Check1_Click();
    });
    connect(Check4, &QToolButton::clicked, this, [this] { Run_Click(Side::Source); });
    connect(Check5, &QToolButton::clicked, this, [this] { Run_Click(Side::Destination); });
    // Every click re-reads the files; moving with the keyboard counts as a click too.
    connect(ListView1, &QTreeView::clicked, this, &Form3::ListView1_Click);
    connect(ListView1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &Form3::ListView1_Click);
    m_surface = std::make_unique<WidgetSurface<Form3Element>>(
        std::map<Form3Element, QWidget*>{{Form3Element::ListView1, ListView1},
                                         {Form3Element::Check1, Check1},
                                         {Form3Element::Check2, Check2},
                                         {Form3Element::Check4, Check4},
                                         {Form3Element::Check5, Check5},
                                         {Form3Element::Frame1, Frame1},
                                         {Form3Element::Label1, Label1}},
        ListView1,
        std::map<Form3Element, int>{{Form3Element::SourceColumn, PlanModel::Source},
                                    {Form3Element::ActionColumn, PlanModel::Action},
                                    {Form3Element::DestinationColumn, PlanModel::Destination}});
}

void Form3::Form_Load()
{
    if (LoadCursorFile(m_pointer.state(), m_services.programFolder, kHandCursor))
        m_pointer.apply(); // read once, here; the pointer stays the arrow until a rule runs
    setWidgetEdge(Frame1, Edge::Height, widgetEdge(Check5, Edge::Height) + 100);
    setWidgetEdge(Frame1, Edge::Left, widgetEdge(Check5, Edge::Left) + 1570);
    setWidgetEdge(Frame1, Edge::Top, widgetEdge(Check5, Edge::Top) - 100);
    const auto widths = planColumnWidths(widgetEdge(ListView1, Edge::Width));
    for (int column = 0; column < 3; ++column)
        setColumnWidth(ListView1, column, widths[size_t(column)]);
    Label1->setText(
        QStringLiteral("Please confirm the following file operations. Feel free to "
                       "run (open) the files with 'Run Source' and 'Run Destination'."));
    setWidgetEdge(Label1, Edge::Height, 700);
    m_choices = new PlanChoices(ListView1, m_plan, Label1, m_roots,
                                {SideRoom{m_roots.left}, SideRoom{m_roots.right}}, this);
    m_progress = new CopyProgressView(Frame1, m_choices->panel(), *m_runner);
    if (m_plan->rowCount() > 0)
        ListView1->setCurrentIndex(m_plan->index(0, 0));
    setRunStates(0);
}

void Form3::Form_Resize()
{
    layOutForm3(*m_surface, outerWidthTwips(this), outerHeightTwips(this));
    if (m_choices)
        m_choices->place();
}

void Form3::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

int Form3::selectedRow() const
{
    const auto selected = ListView1->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void Form3::setAvailable(PictureButton* button, bool available)
{
    button->setCaptionColor(available ? kAvailable : kUnavailable);
}

void Form3::setRunStates(int row)
{
    if (row < 0 || row >= m_plan->rowCount())
        return;
    // From the plan, not the disk: a click must not wait on a slow player. A source is a file
    // Compare found; a copy's destination is its side's folder.
    const auto& op = m_plan->operation(row);
    m_runSourceAvailable = !op.OpSource.empty() && !op.OpSource.ends_with('/');
    m_runDestinationAvailable = !op.OpDestination.empty() && !op.OpDestination.ends_with('/');
    setAvailable(Check4, m_runSourceAvailable);
    setAvailable(Check5, m_runDestinationAvailable);
}

void Form3::ListView1_Click()
{
    setRunStates(selectedRow());
}

void Form3::Run_Click(Side side)
{
    if (copying())
        return;
    const bool source = side == Side::Source;
    if (!(source ? m_runSourceAvailable : m_runDestinationAvailable)) {
        m_services.messages.show("", source ? "The source item is a folder, not a file. You "
                                              "can not run this."
                                            : "The destination item is a folder, not a file. "
                                              "You can not run this.");
        return;
    }
    if (const int row = selectedRow(); row >= 0) {
        ListView1->setFocus();
        const auto& op = m_plan->operation(row);
        const std::string file = source ? op.OpSource : op.OpDestination;
        m_services.shell.openFile(file, [wizard = QPointer<Form3>(this), file](bool opened) {
            if (!opened && wizard)
                wizard->m_services.messages.show(
                    "", "No program on this computer opens " + file +
                            ". Install one for files of its type, or open it from your file "
                            "manager.");
        });
    }
}

void Form3::Check2_Click()
{
    if (copying())
        return;
    if (!m_devicesKnown) {
        m_services.messages.show("", "Parlowen is still looking at the folders and their room. "
                                     "Press OK again in a moment.");
        return;
    }
    std::vector<bool> chosen = m_plan->chosen();
    if (std::find(chosen.begin(), chosen.end(), true) == chosen.end()) {
        m_services.messages.show("", "No operation is checked, so there is nothing to carry out.");
        return;
    }
    bool createFolders = m_choices->createFolders();
    if (!createFolders && !decideMissingFolders(chosen, createFolders))
        return;
    const auto plan = std::make_shared<const ResultStore>(chosenOperations(*m_plan->plan(), chosen));
    if (plan->empty()) {
        m_services.messages.show("", "No operation is left to carry out.");
        return;
    }
    // The room asked about is the room of the copies the run will attempt.
    const auto shortfalls = roomShortfalls(*plan, m_roomFacts, createFolders);
    if (!shortfalls.empty() &&
        !m_services.messages.ask("Not enough room", roomQuestion(shortfalls)))
        return;
    showCopying(true);
    // A folder removed after the wizard looked is said in the box's words.
    const std::string box = m_choices->createFoldersText();
    m_runner->start(plan, m_services.files, m_services.devices, m_roots, createFolders,
                    box.empty() ? CarryOutControl{}.missingFolderHint
                                : "tick '" + box + "' to have it made",
                    m_services.syncLog);
}

bool Form3::decideMissingFolders(std::vector<bool>& chosen, bool& createFolders)
{
    // Copies into folders that do not exist would only fail: the user decides first.
    const auto question =
        missingFoldersQuestion(*m_plan->plan(), chosen, m_plan->missing(), m_roomFacts);
    if (question.text.empty())
        return true;
    switch (m_services.messages.choose("Missing folders", question.text, question.answers)) {
    case 0:
        createFolders = true;
        m_choices->setCreateFolders(true);
        return true;
    case 1:
        for (std::size_t i = 0; i < chosen.size(); ++i)
            chosen[i] = chosen[i] && !m_plan->missing()[i];
        return true;
    default:
        return false;
    }
}

void Form3::Check1_Click()
{
    if (!copying()) {
        close();
        return;
    }
    m_runner->stop();
    // Pressed once is enough: the progress line now says what the stop waits for.
    Check1->setEnabled(false);
}

bool Form3::copying() const
{
    return m_runner->running();
}

void Form3::endProgram()
{
    if (!copying()) {
        QCoreApplication::quit();
        return;
    }
    m_endProgram = true;
    m_runner->stop();
    // A copy stuck on a device that does not answer never hears the stop: the program ends
    // all the same (what is in place stays; the temporary goes at the next run).
    QTimer::singleShot(1000, this, [] { QCoreApplication::quit(); });
}

void Form3::showCopying(bool copying)
{
    Check1->setText(copying ? QStringLiteral("S&top") : QStringLiteral("&Cancel"));
    if (copying)
        m_progress->show();
    else
        m_progress->hide();
}

void Form3::Copy_Finished(const CarryOutResult& run)
{
    showCopying(false);
    hide();
    if (m_endProgram) {
        QCoreApplication::quit();
        return;
    }
    emit planCarriedOut(run);
    close();
}

void Form3::pointerMoved()
{
    pointerMoveOnForm3(m_pointer.state(), Form3Part::Button);
    m_pointer.apply();
}

void Form3::mouseMoveEvent(QMouseEvent* event)
{
    QWidget::mouseMoveEvent(event);
    // Moves a child passed on are not the background's.
    if (childAt(event->position().toPoint()))
        return;
    pointerMoveOnForm3(m_pointer.state(), Form3Part::Background);
    m_pointer.apply();
}

void Form3::closeEvent(QCloseEvent* event)
{
    // Closing while copying stops the copy; the wizard closes once it has stopped.
    if (copying()) {
        m_runner->stop();
        event->ignore();
        return;
    }
    emit closing();
    QWidget::closeEvent(event);
}

} // namespace parlowen
