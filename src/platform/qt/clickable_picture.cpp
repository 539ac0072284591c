// A picture that acts on a click.
#include "platform/qt/clickable_picture.h"

#include "platform/qt/qt_widgets.h"

#include <QAccessibleWidget>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace parlowen {
namespace {

// A screen reader hears a push button that can be pressed, not a picture.
class PictureButtonAccessible final : public QAccessibleWidget
{
public:
    explicit PictureButtonAccessible(ClickablePicture* picture)
        : QAccessibleWidget(picture, QAccessible::Button)
    {
        addControllingSignal(QStringLiteral("clicked()"));
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override
    {
        if (name == pressAction())
            emit static_cast<ClickablePicture*>(widget())->clicked();
    }
};

QAccessibleInterface* pictureButtonFactory(const QString&, QObject* object)
{
    if (auto* picture = qobject_cast<ClickablePicture*>(object))
        return new PictureButtonAccessible(picture);
    return nullptr;
}

} // namespace

ClickablePicture::ClickablePicture(const char* name, const QString& file, int size, QWidget* parent)
    : QLabel(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(pictureButtonFactory);
        return true;
    }();
    (void)installed;
    named(this, name);
    setPixmap(QIcon(file).pixmap(size, size));
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFocusPolicy(Qt::TabFocus);
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

void ClickablePicture::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)
        emit clicked();
    else
        QLabel::keyPressEvent(event);
}

void ClickablePicture::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // The picture is small: a line round it shows the focus without covering it.
    QPainter painter(this);
    painter.setPen(QPen(QColor(0x2a, 0x6a, 0xd8), 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace parlowen
