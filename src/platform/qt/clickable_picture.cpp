// A picture that acts on a click.
#include "platform/qt/clickable_picture.h"

#include "platform/qt/qt_widgets.h"

#include <QIcon>
#include <QMouseEvent>

namespace parlowen {

ClickablePicture::ClickablePicture(const char* name, const QString& file, int size,
                                   QWidget* parent)
    : QLabel(parent)
{
    named(this, name);
    setPixmap(QIcon(file).pixmap(size, size));
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void ClickablePicture::mousePressEvent(QMouseEvent* event)
{
    // Taken, so that the release comes here too.
    event->setAccepted(event->button() == Qt::LeftButton);
}

void ClickablePicture::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
}

} // namespace parlowen
