// Choosing what OK carries out: the list's check boxes, Space and a context menu to check or
// uncheck many at once, and in the "Instruction" frame a live summary of the choice against
// each side's room and the choice to make the folders that do not exist.
#pragma once

#include "sync_wizard/choice_summary.h"
#include "sync_wizard/choices.h"
#include "sync_wizard/room_check.h"

#include <QObject>

#include <array>

class QCheckBox;
class QLabel;
class QPoint;
class QTreeView;
class QWidget;

namespace parlowen {

class PlanModel;

class PlanChoices final : public QObject
{
    Q_OBJECT
public:
    // The summary and the folder choice are made in the frame, in place of its instruction.
    PlanChoices(QTreeView* list, PlanModel* plan, QLabel* instruction, const SyncRoots& roots,
                const std::array<SideRoom, 2>& rooms, QObject* parent);

    // What the frame shows while nothing is copied; it follows the instruction's place.
    QWidget* panel() const { return m_panel; }
    void place();
    bool createFolders() const;
    void setCreateFolders(bool create);
    // The box's words as it reads now, without its mnemonic: "Create the 3 missing folders";
    // "" while it is not shown.
    std::string createFoldersText() const;
    // The devices' room and the folders to make, once they are known; until then the summary
    // says they are being read.
    void setRooms(const std::array<SideRoom, 2>& rooms, RoomFacts facts);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showSummary();
    void showMenu(const QPoint& at);
    void toggleSelected();

public:
    // Checks only the playlist at row and the operations that copy its songs.
    void chooseOnlyPlaylist(int row);

private:

    QTreeView* m_list;
    PlanModel* m_plan;
    QLabel* m_instruction;
    SyncRoots m_roots;
    std::array<SideRoom, 2> m_rooms;
    RoomFacts m_facts;
    bool m_roomsKnown = false;
    QWidget* m_panel;
    QLabel* m_summary;
    QCheckBox* m_createFolders;
};

} // namespace parlowen
