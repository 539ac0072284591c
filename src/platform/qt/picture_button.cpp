// A command button that shows its picture above its caption.
#include "platform/qt/picture_button.h"

#include "platform/qt/qt_widgets.h"

namespace parlowen {

PictureButton::PictureButton(const QString& objectName, const QString& caption,
                             const QString& picture, int pictureSize, QWidget* parent)
    : QToolButton(parent)
{
    setObjectName(objectName);
    setText(caption);
    setIcon(QIcon(picture));
    setIconSize(QSize(pictureSize, pictureSize));
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    // Not checkable: every press springs back, and clicked() fires exactly once per press.
    setCheckable(false);
    setAutoRaise(false);
    setFont(arial(11.25, true));
    applyStyle();
}

void PictureButton::setCaptionColor(const QColor& color)
{
    m_captionColor = color;
    applyStyle();
}

void PictureButton::applyStyle()
{
    setStyleSheet(QStringLiteral("QToolButton { background: white; border: 1px solid #9a9a9a;"
                                 " border-radius: 3px; color: %1; }"
                                 "QToolButton:pressed { background: #e6e6e6; }"
                                 "QToolButton:focus { border: 2px solid #2a6ad8; }")
                      .arg(m_captionColor.name()));
}

} // namespace parlowen
