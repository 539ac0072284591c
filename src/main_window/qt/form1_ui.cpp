// The main window's controls.
#include "main_window/qt/form1_ui.h"

#include "main_window/qt/folder_box_accessible.h"
#include "main_window/qt/result_rows_model.h"
#include "platform/qt/clickable_picture.h"
#include "platform/qt/picture_button.h"
#include "platform/qt/qt_geometry.h"
#include "platform/qt/qt_widgets.h"
#include "platform/twips.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

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

QTableView* resultList(QWidget* parent, const char* name, QAbstractItemModel* rows)
{
    QTableView* list = largeRowList(parent, name, rows);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->viewport()->setAcceptDrops(true);
    return list;
}

} // namespace

void Form1Ui::setupUi(QWidget* form, QAbstractItemModel* leftRows, QAbstractItemModel* rightRows)
{
    const QString folderPicture = QStringLiteral(":/pictures/browse_folder.svg");
    Label4 =
        named(new QLabel(QStringLiteral("Select MP3 Player Drive (or Folder)"), form), "Label4");
    Label5 = named(new QLabel(QStringLiteral("Select Local (PC) MP3 Folder"), form), "Label5");
    Label4->setFont(arial(9.75, true));
    Label5->setFont(arial(9.75, true));
    Combo1 = folderBox(form, "Combo1");
    Combo2 = folderBox(form, "Combo2");
    Image1 = new ClickablePicture("Image1", folderPicture, 32, form);
    Image2 = new ClickablePicture("Image2", folderPicture, 32, form);
    Image1->setToolTip(QStringLiteral("Browse to Folder"));
    Image2->setToolTip(QStringLiteral("Browse to Folder"));
    Image1->setAccessibleName(QStringLiteral("Browse to Folder: MP3 Player"));
    Image2->setAccessibleName(QStringLiteral("Browse to Folder: Local (PC) MP3 Folder"));
    // The boxes' text is their value; their names are their captions.
    nameFolderBoxForScreenReaders(Combo1, Label4->text());
    nameFolderBoxForScreenReaders(Combo2, Label5->text());
    ListView1 = resultList(form, "ListView1", leftRows);
    ListView2 = resultList(form, "ListView2", rightRows);
    ListView1->setAccessibleName(QStringLiteral("Files of the MP3 player folder"));
    ListView2->setAccessibleName(QStringLiteral("Files of the local (PC) MP3 folder"));

    Check1 = new PictureButton(QStringLiteral("Check1"), QStringLiteral("&Compare"),
                               QStringLiteral(":/pictures/compare.svg"), 48, form);
    Check1->setToolTip(QStringLiteral(
        "Compare the two selected folders for matches and differences, show results."));
    Check2 = new PictureButton(QStringLiteral("Check2"), QStringLiteral("&Sync"),
                               QStringLiteral(":/pictures/sync.svg"), 32, form);
    Check2->setToolTip(QStringLiteral(
        "This wizard will safely show you the possible file operations (file copy, file "
        "overwrite) necessary to synchronize the two folders."));
    Check7 = new PictureButton(QStringLiteral("Check7"), QStringLiteral("E&xit"),
                               QStringLiteral(":/pictures/exit.svg"), 32, form);

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
    buildLegend();
    // Each browse picture right after its box.
    QWidget* order[] = {Combo1,    Image1, Combo2, Image2, ListView1,
                        ListView2, Check1, Check2, Check7};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void Form1Ui::buildLegend()
{
    Frame1 = named(new QGroupBox(QStringLiteral("Legend"), Check1->parentWidget()), "Frame1");
    Frame1->setFont(arial(11.25, true));
    placeInTwips(Frame1, 4810, 5760, 6780, 1195);
    const char* pictures[] = {":/pictures/status_newer.svg", ":/pictures/status_older.svg",
                              ":/pictures/status_no_match.svg"};
    QLabel** images[] = {&Image3, &Image4, &Image5};
    QLabel** labels[] = {&Label1, &Label2, &Label3};
    QLabel** counts[] = {&Count1, &Count2, &Count3};
    const char* countNames[] = {"Count1", "Count2", "Count3"};
    const char* imageNames[] = {"Image3", "Image4", "Image5"};
    const char* labelNames[] = {"Label1", "Label2", "Label3"};
    const char* meanings[] = {"Newer file", "Older file", "File without a match"};
    for (int i = 0; i < 3; ++i) {
        const double top = 240 + 240 * i;
        *images[i] = picture(Frame1, imageNames[i], QString::fromLatin1(pictures[i]), 16);
        placeInTwips(*images[i], 360, top, 240, 240);
        (*images[i])->setAccessibleName(QString::fromLatin1(meanings[i]));
        *labels[i] = named(new QLabel(Frame1), labelNames[i]);
        (*labels[i])->setFont(arial(9.75, true));
        placeInTwips(*labels[i], 720, top, 7000, 255);
        *counts[i] = named(new QLabel(Frame1), countNames[i]);
        (*counts[i])->setFont(arial(8.25, false));
        (*counts[i])->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
}

std::unique_ptr<LayoutSurface<Form1Element>> Form1Ui::surface() const
{
    return std::make_unique<WidgetSurface<Form1Element>>(
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
}

void Form1Ui::cropBrowsePictures()
{
    for (QLabel* image : {static_cast<QLabel*>(Image1), static_cast<QLabel*>(Image2)})
        placeInTwips(image, widgetEdge(image, Edge::Left), widgetEdge(image, Edge::Top), 240, 210);
}

void Form1Ui::placeLegend()
{
    setWidgetEdge(Frame1, Edge::Top, widgetEdge(Check7, Edge::Top));
    setWidgetEdge(Frame1, Edge::Left, widgetEdge(Check7, Edge::Left) + 1570);
    setWidgetEdge(Frame1, Edge::Height, widgetEdge(Check7, Edge::Height) + 100);
    for (QLabel* image : {Image3, Image4, Image5})
        setWidgetEdge(image, Edge::Top, widgetEdge(image, Edge::Top) + 80);
    setWidgetEdge(Label1, Edge::Top, widgetEdge(Image3, Edge::Top));
    setWidgetEdge(Label2, Edge::Top, widgetEdge(Image4, Edge::Top));
    setWidgetEdge(Label3, Edge::Top, widgetEdge(Image5, Edge::Top));
    m_legendTexts[0] =
        QStringLiteral("This file is newer than its match and needs to be synchronized.");
    m_legendTexts[1] =
        QStringLiteral("This file is older than its match and needs to be synchronized.");
    m_legendTexts[2] =
        QStringLiteral("This file does not have a match and needs to be synchronized.");
    QLabel* labels[] = {Label1, Label2, Label3};
    for (int i = 0; i < 3; ++i) {
        labels[i]->setToolTip(m_legendTexts[i]);
        labels[i]->setAccessibleName(m_legendTexts[i]);
    }
    fitLegend();
}

void Form1Ui::fitLegend()
{
    QLabel* labels[] = {Label1, Label2, Label3};
    QLabel* counts[] = {Count1, Count2, Count3};
    const int right = Frame1->width() - 6;
    for (int i = 0; i < 3; ++i) {
        QLabel* count = counts[i];
        const int countWidth =
            count->text().isEmpty() ? 0 : count->fontMetrics().horizontalAdvance(count->text()) + 8;
        count->setGeometry(right - countWidth, labels[i]->y(), countWidth, labels[i]->height());
        const int room = right - countWidth - labels[i]->x();
        labels[i]->setText(
            labels[i]->fontMetrics().elidedText(m_legendTexts[i], Qt::ElideRight, room));
    }
}

void Form1Ui::showCounts(const std::optional<std::pair<IconCounts, IconCounts>>& counts)
{
    const auto text = [&](std::size_t IconCounts::*field) {
        if (!counts)
            return QString();
        return QStringLiteral("%1 | %2").arg(counts->first.*field).arg(counts->second.*field);
    };
    const std::pair<QLabel*, std::size_t IconCounts::*> rows[] = {
        {Count1, &IconCounts::newer}, {Count2, &IconCounts::older}, {Count3, &IconCounts::noMatch}};
    for (const auto& [label, field] : rows) {
        label->setText(text(field));
        label->setToolTip(counts ? QStringLiteral("%1 rows of the left list and %2 of the right")
                                       .arg(counts->first.*field)
                                       .arg(counts->second.*field)
                                 : QString());
        label->setAccessibleName(label->toolTip());
    }
    fitLegend();
}

void Form1Ui::sizeResultColumns()
{
    for (QTableView* list : {ListView1, ListView2}) {
        const auto widths = resultColumnWidths(widgetEdge(list, Edge::Width));
        for (int column = 0; column < 4; ++column)
            setColumnWidth(list, column, widths[static_cast<size_t>(column)]);
    }
}

} // namespace parlowen
