// The main window: two folder boxes with their history, two result lists, the command buttons
// and the legend.
#pragma once

#include "compare/comparison.h"
#include "compare/result_store.h"
#include "main_window/commands.h"
#include "main_window/drop.h"
#include "main_window/qt/form1_ui.h"
#include "main_window/qt/qt_folder_box.h"
#include "platform/qt/background_job.h"
#include "platform/qt/window_pointer.h"
#include "platform/services.h"
#include "sync_wizard/executor.h"

#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

namespace parlowen {

class ResultLists;
class ResultRowsModel;
class StoredWindowSize;

class Form1 final : public QWidget
{
    Q_OBJECT
public:
    // The result store belongs to the application: Compare writes it, the wizard reads it.
    Form1(Services& services, ResultStore& results, QWidget* parent = nullptr);
    ~Form1() override;

    ResultRowsModel& leftRows() { return *m_leftRows; }
    ResultRowsModel& rightRows() { return *m_rightRows; }
    const PointerState& pointer() const { return m_pointer.state(); }
    // A Compare's scans are running; commands that would start another or change the lists wait.
    bool scanning() const { return m_compareJob.running(); }
    // Stops the Compare and waits up to the time for it; whether it ended (a device that does
    // not answer may hold it for ever).
    bool compareEndsWithin(int milliseconds);

signals:
    // Exit was pressed: the program ends at once.
    void exitRequested();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void connectHandlers();
    void Form_Load();
    void Form_MouseMove();
    void Check1_Click();
    void startCompare();
    void Compare_Finished();
    void tellSyncOutcome();
    void Check2_Click();
    void Check7_Click();
    void Wizard_PlanCarriedOut(const CarryOutResult& run);
    void Image_Click(QComboBox* box);
    void ListView1_Click();
    void ListView_Drop(QComboBox* box, const std::vector<DroppedItem>& items);
    // A folder was used from the box (compared, browsed to, dropped): the history keeps it.
    void Combo_Change(QComboBox* box, const std::string& folder);
    void Combo_Click();
    void pointerMoved(QObject* part);
    // Looks off the window's thread for players that speak MTP, then offers them in the left
    // box's list.
    void lookForDevices();

    // The box's text as Compare reads it: no trailing "/", a file manager's device path as the
    // device's address.
    void settleFolderText(QComboBox* box);
    FolderBoxes boxes() { return {m_box1, m_box2}; }

    Services& m_services;
    ResultStore& m_results;
    ResultRowsModel* m_leftRows = nullptr;
    ResultRowsModel* m_rightRows = nullptr;
    ResultLists* m_lists = nullptr;
    Form1Ui ui;
    QtFolderBox m_box1{nullptr};
    QtFolderBox m_box2{nullptr};
    std::unique_ptr<LayoutSurface<Form1Element>> m_surface;
    StoredWindowSize* m_size = nullptr;
    WindowPointer m_pointer{this};
    std::string m_lastClickedText;
    // A Sync's outcome, told once the Compare after it has ended.
    std::optional<CarryOutResult> m_syncToTell;
    Comparison m_comparison;          // written by the scans, read once they have ended
    std::optional<Message> m_refusal; // why the folder check refused the Compare, likewise
    SyncRoots m_compared;             // the folders of the last Compare, for the wizard
    // What the left player said it plays at the last Compare, with its box text then.
    std::pair<std::string, std::vector<std::string>> m_leftPlays;
    std::unique_ptr<LiveRows> m_live; // the rows of the Compare that runs, shown as they come
    QTimer m_rowsComing;
    MtpDeviceList m_devicesFound; // written by the look for devices, read once it has ended
    BackgroundJob m_deviceLook;
    BackgroundJob m_compareJob; // after what its work writes: stopped and joined first
};

} // namespace parlowen
