// Drops on a result list: only local paths are taken, as a copy, and nothing dragged is ever
// moved or changed.
#pragma once

#include "main_window/drop.h"

#include <QObject>

#include <functional>

class QWidget;

namespace parlowen {

class ListDrops final : public QObject
{
public:
    // accepting says whether a drop is taken now; onDrop gets the dropped items in order.
    ListDrops(QWidget* viewport, std::function<bool()> accepting,
              std::function<void(const std::vector<DroppedItem>&)> onDrop);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool()> m_accepting;
    std::function<void(const std::vector<DroppedItem>&)> m_onDrop;
};

} // namespace parlowen
