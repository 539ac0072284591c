// A picture that acts on a click of the left button, as the browse pictures do, and on Space
// or Enter once Tab has brought the focus to it.
#pragma once

#include <QLabel>

namespace parlowen {

class ClickablePicture final : public QLabel
{
    Q_OBJECT
public:
    // Shows size x size pixels of the picture from its top left corner.
    ClickablePicture(const char* name, const QString& file, int size, QWidget* parent);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace parlowen
