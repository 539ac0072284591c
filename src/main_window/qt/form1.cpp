// The main window.
#include "main_window/qt/form1.h"

#include "compare/comparison.h"
#include "main_window/commands.h"
#include "main_window/folder_history.h"
#include "main_window/probes/path_probes.h"
#include "main_window/qt/result_rows_model.h"
#include "main_window/settings_keys.h"
#include "main_window/stored_numbers.h"
#include "platform/qt/path_text.h"
#include "platform/qt/picture_button.h"
#include "platform/qt/qt_widgets.h"
#include "platform/twips.h"
#include "sync_wizard/qt/form3.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>

namespace parlowen {
namespace {

QComboBox* folderBox(QWidget* parent, const char* name)
{
    auto* combo = named(new QComboBox(parent), name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert); // only the history routine adds entries
    combo->setCompleter(nullptr);                // an inline completion would edit the text
    combo->setFont(arial(9.75, false));
    // Folders come by typing, the history, browsing or a drop on a list, never a drop here.
    combo->setAcceptDrops(false);
    combo->lineEdit()->setAcceptDrops(false);
    return combo;
}

} // namespace

Form1::Form1(Services& services, ResultStore& results, QWidget* parent)
    : QWidget(parent), m_services(services), m_results(results)
{
    setObjectName(QStringLiteral("Form1"));
    setUpWindow(this, QStringLiteral("Parlowen"));
    setFont(arial(9.75, false));
    setMouseTracking(true);
    setGeometry(twipsToPixels(3015), twipsToPixels(3120), twipsToPixels(kDesignedClientWidth),
                twipsToPixels(7335));

    buildControls();
    buildLegend();
    m_surface = std::make_unique<WidgetSurface<Form1Element>>(
        std::map<Form1Element, QWidget*>{{Form1Element::ListView1, ListView1},
                                         {Form1Element::ListView2, ListView2},
                                         {Form1Element::Check1, Check1},
                                         {Form1Element::Check2, Check2},
                                         {Form1Element::Check7, Check7},
                                         {Form1Element::Label5, Label5},
                                         {Form1Element::Frame1, Frame1},
                                         {Form1Element::Combo1, Combo1},
                                         {Form1Element::Combo2, Combo2},
                                         {Form1Element::Image1, Image1},
                                         {Form1Element::Image2, Image2}});
    connectHandlers();
    watchPointerAndDrops();
    Form_Load();
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    const QString folderPicture = QStringLiteral(":/pictures/browse_folder.svg");
    Label4 =
        named(new QLabel(QStringLiteral("Select MP3 Player Drive (or Folder)"), this), "Label4");
    Label5 = named(new QLabel(QStringLiteral("Select Local (PC) MP3 Folder"), this), "Label5");
    Label4->setFont(arial(9.75, true));
    Label5->setFont(arial(9.75, true));
    Combo1 = folderBox(this, "Combo1");
    Combo2 = folderBox(this, "Combo2");
    Image1 = picture(this, "Image1", folderPicture, 32);
    Image2 = picture(this, "Image2", folderPicture, 32);
    Image1->setToolTip(QStringLiteral("Browse to Folder"));
    Image2->setToolTip(QStringLiteral("Browse to Folder"));
    m_leftRows = new ResultRowsModel(this);
    m_rightRows = new ResultRowsModel(this);
    ListView1 = rowList(this, "ListView1", m_leftRows);
    ListView2 = rowList(this, "ListView2", m_rightRows);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView2->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_box1 = QtFolderBox(Combo1);
    m_box2 = QtFolderBox(Combo2);

    Check1 = new PictureButton(QStringLiteral("Check1"), QStringLiteral("Compare"),
                               QStringLiteral(":/pictures/compare.svg"), 48, this);
    Check1->setToolTip(QStringLiteral(
        "Compare the two selected folders for matches and differences, show results."));
    Check2 = new PictureButton(QStringLiteral("Check2"), QStringLiteral("Sync"),
                               QStringLiteral(":/pictures/sync.svg"), 32, this);
    Check2->setToolTip(QStringLiteral(
        "This wizard will safely show you the possible file operations (file copy, file "
        "overwrite) necessary to synchronize the two folders."));
    Check7 = new PictureButton(QStringLiteral("Check7"), QStringLiteral("Exit"),
                               QStringLiteral(":/pictures/exit.svg"), 32, this);

    const int comboHeight = Combo1->sizeHint().height();
    placeInTwips(Label4, 120, 90, 3495, 255);
    placeInTwips(Label5, 4920, 90, 4815, 255);
    placeInTwips(Combo1, 120, 360, 4395, pixelsToTwips(comboHeight));
    placeInTwips(Combo2, 4920, 360, 4395, pixelsToTwips(comboHeight));
    placeInTwips(Image1, 4545, 435, 480, 480);
    placeInTwips(Image2, 9360, 435, 480, 480);
    placeInTwips(ListView1, 120, 720, 4695, 4935);
    placeInTwips(ListView2, 4920, 720, 4695, 4935);
    placeInTwips(Check1, 120, 5760, 1455, 1095);
    placeInTwips(Check2, 1680, 5760, 1455, 1095);
    placeInTwips(Check7, 3240, 5760, 1455, 1095);
}

void Form1::buildLegend()
{
    Frame1 = named(new QGroupBox(QStringLiteral("Legend"), this), "Frame1");
    Frame1->setFont(arial(11.25, true));
    placeInTwips(Frame1, 4810, 5760, 6780, 1195);
    const char* pictures[] = {":/pictures/status_newer.svg", ":/pictures/status_older.svg",
                              ":/pictures/status_no_match.svg"};
    QLabel** images[] = {&Image3, &Image4, &Image5};
    QLabel** labels[] = {&Label1, &Label2, &Label3};
    const char* imageNames[] = {"Image3", "Image4", "Image5"};
    const char* labelNames[] = {"Label1", "Label2", "Label3"};
    for (int i = 0; i < 3; ++i) {
        const double top = 240 + 240 * i;
        *images[i] = picture(Frame1, imageNames[i], QString::fromLatin1(pictures[i]), 16);
        placeInTwips(*images[i], 360, top, 240, 240);
        *labels[i] = named(new QLabel(Frame1), labelNames[i]);
        (*labels[i])->setFont(arial(9.75, true));
        placeInTwips(*labels[i], 720, top, 7000, 255);
    }
}

void Form1::connectHandlers()
{
    connect(Check1, &QToolButton::clicked, this, &Form1::Check1_Click);
    connect(Check2, &QToolButton::clicked, this, &Form1::Check2_Click);
    connect(Check7, &QToolButton::clicked, this, &Form1::Check7_Click);
    connect(ListView1, &QTreeView::clicked, this, &Form1::ListView1_Click);
    connect(Combo1, &QComboBox::editTextChanged, this, &Form1::Combo1_Change);
    connect(Combo2, &QComboBox::editTextChanged, this, &Form1::Combo2_Change);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &Form1::Combo1_Click);
    connect(Combo2, &QComboBox::currentIndexChanged, this, &Form1::Combo2_Click);
}

void Form1::Form_Load()
{
    // The hand is loaded ahead; the pointer itself changes only when a rule runs.
    const std::string hand = m_services.programFolder + "/" + kHandCursor;
    if (OldMain::FileExists(hand)) {
        m_pointer.customImage = hand;
        applyPointer();
    }
    Combo1->setEditText(QString());
    Combo2->setEditText(QString());
    Main::LoadFolderHistory(boxes(), m_services.settings);
    Main::RestoreSelections(boxes(), m_services.settings);
    // Only the top left corner of the browse picture is meant to show.
    placeInTwips(Image1, widgetEdge(Image1, Edge::Left), widgetEdge(Image1, Edge::Top), 240, 210);
    placeInTwips(Image2, widgetEdge(Image2, Edge::Left), widgetEdge(Image2, Edge::Top), 240, 210);
    applyStartupWindow();
    sizeResultColumns();

    setWidgetEdge(Frame1, Edge::Top, widgetEdge(Check7, Edge::Top));
    setWidgetEdge(Frame1, Edge::Left, widgetEdge(Check7, Edge::Left) + 1570);
    setWidgetEdge(Frame1, Edge::Height, widgetEdge(Check7, Edge::Height) + 100);
    for (QLabel* image : {Image3, Image4, Image5})
        setWidgetEdge(image, Edge::Top, widgetEdge(image, Edge::Top) + 80);
    setWidgetEdge(Label1, Edge::Top, widgetEdge(Image3, Edge::Top));
    setWidgetEdge(Label2, Edge::Top, widgetEdge(Image4, Edge::Top));
    setWidgetEdge(Label3, Edge::Top, widgetEdge(Image5, Edge::Top));
    Label1->setText(
        QStringLiteral("This file is newer than its match and needs to be synchronized."));
    Label2->setText(
        QStringLiteral("This file is older than its match and needs to be synchronized."));
    Label3->setText(
        QStringLiteral("This file does not have a match and needs to be synchronized."));
}

void Form1::sizeResultColumns()
{
    for (QTreeView* list : {ListView1, ListView2}) {
        const auto widths = resultColumnWidths(widgetEdge(list, Edge::Width));
        for (int column = 0; column < 4; ++column)
            list->header()->resizeSection(column,
                                          twipsToPixels(widths[static_cast<size_t>(column)]));
    }
}

void Form1::Check1_Click()
{
    if (m_scanning)
        return;
    if (const auto refused = folderCheck(m_box1.text(), m_box2.text())) {
        m_services.messages.show(refused->title, refused->text);
        return;
    }
    m_leftRows->reset({});
    m_rightRows->reset({});
    m_results.clear();
    removeTrailingSlash(Combo1);
    removeTrailingSlash(Combo2);

    m_scanning = true;
    setWindowTitle(QStringLiteral("Parlowen [Loading files, please wait...]"));
    auto outcome = compareFolders(m_box1.text(), m_box2.text(), m_services.messages,
                                  [this] { return yieldToEvents(); });
    setWindowTitle(QStringLiteral("Parlowen"));
    m_scanning = false;
    if (outcome.abandoned)
        return;
    m_leftRows->reset(std::move(outcome.left));
    m_rightRows->reset(std::move(outcome.right));
    m_results = std::move(outcome.plan);
}

void Form1::Check2_Click()
{
    if (m_scanning)
        return;
    if (const auto refused =
            syncRefusal(m_results, m_leftRows->rows().size(), m_rightRows->rows().size(),
                        m_box1.text(), m_box2.text())) {
        m_services.messages.show(refused->title, refused->text);
        return;
    }
    hide();
    auto* wizard = new Form3(m_services, m_results);
    wizard->move(pos());
    wizard->resize(size());
    connect(wizard, &Form3::planCarriedOut, this, &Form1::Wizard_PlanCarriedOut);
    connect(wizard, &Form3::closing, this, &QWidget::show);
    wizard->show();
}

void Form1::Wizard_PlanCarriedOut(const std::vector<FailedOperation>& failures)
{
    show();
    Check1_Click();
    const auto message = syncEndMessage(failures, m_box1.text(), m_box2.text());
    m_services.messages.show(message.title, message.text);
}

void Form1::removeTrailingSlash(QComboBox* box)
{
    const std::string text = textToPath(box->currentText());
    const std::string root = Main::rootOf(text);
    if (root != text)
        box->setEditText(pathToText(root)); // through the box's change handling
}

bool Form1::yieldToEvents()
{
    m_pointer.mode = PointerMode::Hourglass;
    applyPointer();
    QApplication::processEvents();
    return !m_ending;
}

void Form1::Check7_Click()
{
    m_ending = true;
    emit exitRequested();
}

void Form1::closeEvent(QCloseEvent* event)
{
    m_ending = true;
    QWidget::closeEvent(event);
}

void Form1::Combo1_Change()
{
    Main::AddToFolderHistory(m_box1, keys::kLeftCombo, boxes(), m_services.settings);
}

void Form1::Combo2_Change()
{
    Main::AddToFolderHistory(m_box2, keys::kRightCombo, boxes(), m_services.settings);
}

void Form1::Combo1_Click()
{
    Main::SaveSelections(boxes(), m_services.settings);
}

void Form1::Combo2_Click()
{
    Main::SaveSelections(boxes(), m_services.settings);
}

} // namespace parlowen
