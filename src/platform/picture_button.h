// A command button that shows its picture above its caption and runs its command once a press.
#pragma once

#include <QToolButton>

namespace parlowen {

class PictureButton final : public QToolButton
{
    Q_OBJECT
public:
    PictureButton(const QString& objectName, const QString& caption, const QString& picture,
                  int pictureSize, QWidget* parent);
};

} // namespace parlowen
