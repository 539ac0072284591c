// Drops on a result list.
#include "main_window/qt/list_drops.h"

#include "platform/qt/path_text.h"

#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

namespace parlowen {

ListDrops::ListDrops(QWidget* viewport, std::function<bool()> accepting,
                     std::function<void(const std::vector<DroppedItem>&)> onDrop)
    : QObject(viewport), m_accepting(std::move(accepting)), m_onDrop(std::move(onDrop))
{
    viewport->setAcceptDrops(true);
    viewport->installEventFilter(this);
}

bool ListDrops::eventFilter(QObject*, QEvent* event)
{
    const auto type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto* drop = static_cast<QDropEvent*>(event);
    if (type != QEvent::Drop && (!m_accepting() || !drop->mimeData()->hasUrls())) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop && m_accepting()) {
        std::vector<DroppedItem> items;
        for (const QUrl& url : drop->mimeData()->urls())
            items.push_back(url.isLocalFile() ? DroppedItem(textToPath(url.toLocalFile()))
                                              : std::nullopt);
        m_onDrop(items);
    }
    return true;
}

} // namespace parlowen
