// Choosing what OK carries out.
#include "sync_wizard/qt/plan_choices.h"

#include "compare/playlist_rows.h"
#include "platform/qt/path_text.h"
#include "platform/qt/qt_widgets.h"
#include "sync_wizard/player_names.h"
#include "sync_wizard/qt/plan_model.h"

#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTreeView>
#include <QVBoxLayout>

#include <set>

namespace parlowen {

PlanChoices::PlanChoices(QTreeView* list, PlanModel* plan, QLabel* instruction,
                         const SyncRoots& roots, const std::array<SideRoom, 2>& rooms,
                         QObject* parent)
    : QObject(parent), m_list(list), m_plan(plan), m_instruction(instruction), m_roots(roots),
      m_rooms(rooms), m_panel(named(new QWidget(instruction->parentWidget()), "Choices")),
      m_summary(named(new QLabel(m_panel), "Summary")),
      m_createFolders(named(new QCheckBox(m_panel), "CreateFolders"))
{
    // The instruction's words stay the frame's tooltip; its place shows the choice.
    m_panel->setToolTip(instruction->text());
    instruction->hide();
    m_summary->setFont(arial(8.25, false));
    m_summary->setTextFormat(Qt::RichText);
    m_summary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_createFolders->setFont(arial(8.25, false));
    auto* layout = new QVBoxLayout(m_panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_summary, 1);
    layout->addWidget(m_createFolders);

    m_createFolders->setChecked(false);
    m_createFolders->setVisible(false);

    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, &PlanChoices::showMenu);
    list->installEventFilter(this);
    connect(plan, &PlanModel::choiceChanged, this, &PlanChoices::showSummary);
    showSummary();
    place();
}

void PlanChoices::place()
{
    // Down to the frame's bottom edge: the instruction's place and the room under it.
    const QRect at = m_instruction->geometry();
    const int bottom = m_instruction->parentWidget()->height() - 4;
    m_panel->setGeometry(at.x(), at.y(), at.width(), std::max(at.height(), bottom - at.y()));
}

std::string PlanChoices::createFoldersText() const
{
    if (!m_createFolders->isVisible())
        return {};
    return QString(m_createFolders->text()).remove('&').toStdString();
}

void PlanChoices::setCreateFolders(bool create)
{
    m_createFolders->setChecked(create);
}

bool PlanChoices::createFolders() const
{
    return m_createFolders->isVisible() && m_createFolders->isChecked();
}

void PlanChoices::setRooms(const std::array<SideRoom, 2>& rooms, RoomFacts facts)
{
    m_rooms = rooms;
    m_facts = std::move(facts);
    m_roomsKnown = true;
    showSummary();
}

void PlanChoices::showSummary()
{
    // The folders the chosen copies need, their parents too: the box's count follows the
    // choice.
    const std::size_t missingFolders = foldersToMake(*m_plan->plan(), m_plan->chosen(), m_facts);
    m_createFolders->setText(
        missingFolders == 1
            ? QStringLiteral("Create the missing &folder")
            : QStringLiteral("Create the %1 missing &folders").arg(missingFolders));
    m_createFolders->setVisible(missingFolders > 0);
    const ChoiceSummary summary =
        summarize(*m_plan->plan(), m_plan->chosen(), m_plan->missing(), m_roots, m_rooms);
    QString text = QString::fromStdString(summary.chosen).toHtmlEscaped();
    if (!summary.missingFolders.empty())
        text +=
            QStringLiteral(" · ") + QString::fromStdString(summary.missingFolders).toHtmlEscaped();
    for (const SideLine& side : summary.sides) {
        const QString line = QString::fromUtf8(side.text.c_str()).toHtmlEscaped();
        text += QStringLiteral("<br>") +
                (side.short_ ? QStringLiteral("<span style=\"color:#c00000\">%1</span>").arg(line)
                             : line);
    }
    if (const std::string note = overwriteInPlaceNote(m_facts); !note.empty())
        text += QStringLiteral("<br>") + QString::fromStdString(note).toHtmlEscaped();
    if (!m_roomsKnown)
        text += QStringLiteral("<br>Looking at the folders and their room…");
    m_summary->setText(text);
}

bool PlanChoices::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        toggleSelected();
        return true;
    }
    return false;
}

void PlanChoices::toggleSelected()
{
    std::vector<int> rows;
    bool allChosen = true;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows()) {
        rows.push_back(index.row());
        allChosen = allChosen && m_plan->chosen()[static_cast<std::size_t>(index.row())];
    }
    m_plan->choose(rows, !allChosen);
}

void PlanChoices::showMenu(const QPoint& at)
{
    const QModelIndex current = m_list->currentIndex();
    std::string folder;
    if (current.isValid()) {
        const std::string relative = relativeTarget(m_plan->operation(current.row()), m_roots);
        folder = relative.substr(0, relative.rfind('/') + 1);
    }
    QMenu menu(m_list);
    const std::pair<QString, Group> groups[] = {
        {QStringLiteral("&all"), Group::All},
        {QStringLiteral("everything to the player's folder (&left)"), Group::ToLeft},
        {QStringLiteral("everything to the PC's folder (&right)"), Group::ToRight},
        {QStringLiteral("all &overwrites"), Group::Overwrites},
        {QStringLiteral("everything &under %1")
             .arg(folder.empty() ? QStringLiteral("the top folder") : pathToText(folder)),
         Group::UnderFolder},
    };
    for (const bool chosen : {true, false}) {
        QMenu* sub = menu.addMenu(chosen ? QStringLiteral("&Check") : QStringLiteral("&Uncheck"));
        for (const auto& [text, group] : groups) {
            connect(sub->addAction(text), &QAction::triggered, this,
                    [this, group = group, chosen, folder] {
                        m_plan->choose(group, chosen, m_roots, folder);
                    });
        }
    }
    // "Sync this playlist": only the playlist and its songs, to fill a small player from it.
    if (current.isValid() && m_plan->operation(current.row()).written) {
        menu.addSeparator();
        const int row = current.row();
        connect(menu.addAction(QStringLiteral("Check only this &playlist and its songs")),
                &QAction::triggered, this, [this, row] { chooseOnlyPlaylist(row); });
    }
    menu.exec(m_list->viewport()->mapToGlobal(at));
}

void PlanChoices::chooseOnlyPlaylist(int row)
{
    m_plan->choose(Group::All, false, m_roots);
    std::vector<int> rows;
    for (const std::size_t at : playlistSelection(*m_plan->plan(), static_cast<std::size_t>(row)))
        rows.push_back(static_cast<int>(at));
    m_plan->choose(rows, true);
}

} // namespace parlowen
