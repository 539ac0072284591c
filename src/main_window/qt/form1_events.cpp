// The main window's pointer, browse pictures, drops and the left list's check-mark click.
#include "main_window/qt/form1.h"

#include "main_window/drop.h"
#include "main_window/qt/result_rows_model.h"
#include "platform/qt/path_text.h"
#include "platform/qt/picture_button.h"
#include "platform/qt/qt_widgets.h"

#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QTreeView>

namespace parlowen {

void Form1::watchPointerAndDrops()
{
    for (QWidget* part :
         std::initializer_list<QWidget*>{Check1, Check2, Check7, Image1, Image2,
                                         ListView1->viewport(), ListView2->viewport()}) {
        part->setMouseTracking(true);
        part->installEventFilter(this);
    }
    ListView1->viewport()->setAcceptDrops(true);
    ListView2->viewport()->setAcceptDrops(true);
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    const bool left = watched == ListView1->viewport();
    const bool list = left || watched == ListView2->viewport();
    switch (event->type()) {
    case QEvent::MouseMove:
        if (list) {
            const bool hasRows = (left ? m_leftRows : m_rightRows)->rowCount() > 0;
            pointerMoveOnForm1(m_pointer, Form1Part::ResultList, hasRows, m_services.programFolder);
        } else {
            const bool picture = watched == Image1 || watched == Image2;
            pointerMoveOnForm1(m_pointer, picture ? Form1Part::BrowsePicture : Form1Part::Button,
                               false, m_services.programFolder);
        }
        applyPointer();
        return false;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            if (watched == Image1)
                Image1_Click();
            else if (watched == Image2)
                Image2_Click();
        }
        return false;
    case QEvent::DragEnter:
    case QEvent::DragMove:
        if (!list)
            return false;
        ListView_DragOver(static_cast<QDropEvent*>(event));
        return true;
    case QEvent::Drop:
        if (!list)
            return false;
        // Only the paths are taken: the dragged items are never moved or changed.
        static_cast<QDropEvent*>(event)->setDropAction(Qt::CopyAction);
        static_cast<QDropEvent*>(event)->accept();
        ListView_Drop(left ? Combo1 : Combo2, static_cast<QDropEvent*>(event)->mimeData());
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
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
    pointerMoveOnForm1(m_pointer, Form1Part::Background, false, m_services.programFolder);
    applyPointer();
}

void Form1::applyPointer()
{
    if (!m_pointer.customImage.empty() && m_pointer.customImage != m_loadedCursor) {
        // A file that is no readable cursor is treated like a missing one.
        if (const auto cursor = loadCursorFile(m_pointer.customImage)) {
            m_customCursor = *cursor;
            m_loadedCursor = m_pointer.customImage;
        }
    }
    switch (m_pointer.mode) {
    case PointerMode::Arrow:
        setCursor(Qt::ArrowCursor);
        break;
    case PointerMode::Hourglass:
        setCursor(Qt::WaitCursor);
        break;
    case PointerMode::Custom:
        setCursor(m_loadedCursor.empty() ? QCursor(Qt::ArrowCursor) : m_customCursor);
        break;
    }
}

void Form1::Image1_Click()
{
    if (!m_scanning)
        Combo1->setEditText(
            pathToText(m_services.folderDialog.browseForFolder("Please select folder to add:")));
}

void Form1::Image2_Click()
{
    if (!m_scanning)
        Combo2->setEditText(
            pathToText(m_services.folderDialog.browseForFolder("Please select folder to add:")));
}

void Form1::ListView_DragOver(QDropEvent* event)
{
    if (m_scanning || !event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void Form1::ListView_Drop(QComboBox* box, const QMimeData* data)
{
    if (m_scanning)
        return;
    for (const QUrl& url : data->urls()) {
        const DroppedItem item =
            url.isLocalFile() ? DroppedItem(textToPath(url.toLocalFile())) : std::nullopt;
        const auto folder = folderForDroppedItem(item);
        if (!folder) {
            m_services.messages.show("Error", kVirtualFolderDrop);
            return;
        }
        box->setEditText(pathToText(*folder)); // through the box's change handling
    }
}

void Form1::ListView1_Click()
{
    const auto selected = ListView1->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    const QModelIndex current = ListView1->currentIndex();
    const bool currentSelected = ListView1->selectionModel()->isRowSelected(current.row());
    const int clicked = currentSelected ? current.row() : selected.first().row();
    std::vector<int> rows;
    for (const QModelIndex& index : selected)
        rows.push_back(index.row());
    m_leftRows->toggleCheckMarks(rows, clicked, m_lastClickedText);
}

} // namespace parlowen
