// The main window: two folder boxes with their history, two result lists, the command buttons
// and the legend.
#pragma once

#include "compare/result_store.h"
#include "main_window/form1_layout.h"
#include "main_window/pointer_rules.h"
#include "main_window/qt/qt_folder_box.h"
#include "platform/qt/qt_geometry.h"
#include "platform/services.h"
#include "sync_wizard/executor.h"

#include <QCursor>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

class QComboBox;
class QDropEvent;
class QMimeData;
class QGroupBox;
class QLabel;
class QTreeView;

namespace parlowen {

class PictureButton;
class ResultRowsModel;

class Form1 final : public QWidget
{
    Q_OBJECT
public:
    // The result store belongs to the application: Compare writes it, the wizard reads it.
    Form1(Services& services, ResultStore& results, QWidget* parent = nullptr);
    ~Form1() override;

    ResultRowsModel& leftRows() { return *m_leftRows; }
    ResultRowsModel& rightRows() { return *m_rightRows; }
    const PointerState& pointer() const { return m_pointer; }

signals:
    // Exit was pressed: the program ends at once.
    void exitRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void buildControls();
    void buildLegend();
    void connectHandlers();

    void Form_Load();
    void Form_Resize();
    void Form_MouseMove();
    void Check1_Click();
    void Check2_Click();
    void Check7_Click();
    void Wizard_PlanCarriedOut(const std::vector<FailedOperation>& failures);
    void Image1_Click();
    void Image2_Click();
    void ListView1_Click();
    void ListView_Drop(QComboBox* box, const QMimeData* data);
    void ListView_DragOver(QDropEvent* event);

    void watchPointerAndDrops();
    void applyPointer();
    void Combo1_Change();
    void Combo2_Change();
    void Combo1_Click();
    void Combo2_Click();

    void applyStartupWindow();
    void resizeToOuterHeight(double twips);
    void applyPendingHeight();
    WindowState currentState() const;
    void sizeResultColumns();
    void removeTrailingSlash(QComboBox* box);
    bool yieldToEvents();
    FolderBoxes boxes() { return {m_box1, m_box2}; }

    Services& m_services;
    ResultStore& m_results;

    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QTreeView* ListView1 = nullptr;
    QTreeView* ListView2 = nullptr;
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

    ResultRowsModel* m_leftRows = nullptr;
    ResultRowsModel* m_rightRows = nullptr;
    QtFolderBox m_box1{nullptr};
    QtFolderBox m_box2{nullptr};
    std::unique_ptr<WidgetSurface<Form1Element>> m_surface;

    // The outer height (twips) the window has when neither minimized nor maximized; it is what
    // gets saved while the window is minimized or maximized, so a restore brings it back.
    double m_normalHeight = 0;
    // A stored height applied before the window had its frame; set again once the frame is known.
    std::optional<double> m_pendingHeight;
    // The designed width and the stored outer height wait for the frame and a normal state.
    bool m_normalGeometryPending = false;
    static constexpr int kFrameChecks = 40; // every 50 ms: two seconds at most
    int m_frameChecks = kFrameChecks;
    QTimer m_frameWatch;
    PointerState m_pointer;
    QCursor m_customCursor;
    std::string m_loadedCursor; // the file m_customCursor was read from
    std::string m_lastClickedText;
    bool m_loaded = false;
    bool m_scanning = false; // commands that would start a scan or change the lists wait
    bool m_ending = false;   // Exit or close while scanning: the scan is abandoned
};

} // namespace parlowen
