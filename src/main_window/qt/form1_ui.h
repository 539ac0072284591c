// The main window's controls: built and placed at their designed geometry, and the layout
// surface over them.
#pragma once

#include "main_window/form1_layout.h"
#include "main_window/row_view.h"
#include "platform/layout_surface.h"

#include <QString>

#include <memory>
#include <optional>
#include <utility>

class QAbstractItemModel;
class QComboBox;
class QGroupBox;
class QLabel;
class QTableView;
class QWidget;

namespace parlowen {

class ClickablePicture;
class PictureButton;

struct Form1Ui
{
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    ClickablePicture* Image1 = nullptr;
    ClickablePicture* Image2 = nullptr;
    QTableView* ListView1 = nullptr;
    QTableView* ListView2 = nullptr;
    PictureButton* Check1 = nullptr;
    PictureButton* Check2 = nullptr;
    PictureButton* Check7 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLabel* Image3 = nullptr;
    QLabel* Image4 = nullptr;
    QLabel* Image5 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    // How many rows of each list carry the legend row's picture: "left | right".
    QLabel* Count1 = nullptr;
    QLabel* Count2 = nullptr;
    QLabel* Count3 = nullptr;

    void setupUi(QWidget* form, QAbstractItemModel* leftRows, QAbstractItemModel* rightRows);
    std::unique_ptr<LayoutSurface<Form1Element>> surface() const;

    // What loading does to the controls: only the top left corner of each browse picture
    // shows, and the legend sits beside the buttons with its texts.
    void cropBrowsePictures();
    void placeLegend();
    // Both lists' columns for their width.
    void sizeResultColumns();
    // The counts at the legend's right end and its texts before them, shortened at their end
    // when the window is too narrow for both (the whole text is their tooltip).
    void fitLegend();
    // Empty before the first Compare.
    void showCounts(const std::optional<std::pair<IconCounts, IconCounts>>& counts);

private:
    void buildLegend();
    QString m_legendTexts[3];
};

} // namespace parlowen
