// The Sync Wizard: the planned operations, their Run buttons, and OK / Cancel.
#pragma once

#include "main_window/pointer_rules.h"
#include "platform/qt/window_pointer.h"
#include "platform/services.h"
#include "sync_wizard/choices.h"
#include "sync_wizard/executor.h"
#include "sync_wizard/form3_layout.h"
#include "sync_wizard/qt/plan_runner.h"
#include "sync_wizard/room_check.h"

#include <QWidget>

#include <memory>
#include <optional>

class QGroupBox;
class QLabel;
class QTreeView;

namespace parlowen {

class PictureButton;
class CopyProgressView;
class PlanChoices;
class PlanModel;

class Form3 final : public QWidget
{
    Q_OBJECT
public:
    // Built afresh from the plan at every opening; it deletes itself when closed.
    // The roots are the two compared folders, which the choices by side and folder need.
    Form3(Services& services, const ResultStore& plan, const SyncRoots& roots = {},
          QWidget* parent = nullptr);
    ~Form3() override;

    const PointerState& pointer() const { return m_pointer.state(); }
    bool copying() const;
    // The target folders and the devices' room have been looked at (off the window's thread).
    bool devicesKnown() const { return m_devicesKnown; }
    // The program is asked to end: a copy stops first, then the program ends without a word.
    void endProgram();

signals:
    // OK carried the plan out, or Stop ended it early.
    void planCarriedOut(const parlowen::CarryOutResult& run);
    // The wizard is closing, whichever way out was taken.
    void closing();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void buildControls();
    void lookAtDevices();
    // Asks what to do with chosen copies into folders that do not exist: make the folders
    // (createFolders), leave them out (unchosen), or go back (false).
    bool decideMissingFolders(std::vector<bool>& chosen, bool& createFolders);
    void Form_Load();
    void Form_Resize();
    void Check2_Click();
    void Check1_Click();
    enum class Side
    {
        Source,
        Destination
    };
    // Run Source / Run Dstn: opens the file of the selected operation's side.
    void Run_Click(Side side);
    void ListView1_Click();
    void Copy_Finished(const CarryOutResult& run);
    void showCopying(bool copying);

    void setRunStates(int row);
    static void setAvailable(PictureButton* button, bool available);
    int selectedRow() const;
    void pointerMoved();

    Services& m_services;
    PlanModel* m_plan = nullptr;
    QTreeView* ListView1 = nullptr;
    PictureButton* Check1 = nullptr;
    PictureButton* Check2 = nullptr;
    PictureButton* Check4 = nullptr;
    PictureButton* Check5 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    WindowPointer m_pointer{this};
    bool m_runSourceAvailable = false;
    bool m_runDestinationAvailable = false;
    std::unique_ptr<LayoutSurface<Form3Element>> m_surface;
    PlanRunner* m_runner = nullptr;
    CopyProgressView* m_progress = nullptr;
    PlanChoices* m_choices = nullptr;
    bool m_devicesKnown = false; // the target folders and the room have been looked at
    RoomFacts m_roomFacts;       // what they were then: OK's room check looks at no disk
    SyncRoots m_roots;
    bool m_endProgram = false;
};

} // namespace parlowen
