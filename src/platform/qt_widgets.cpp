// Small helpers the forms share to build their controls.
#include "platform/qt_widgets.h"

#include <QIcon>

namespace parlowen {

QFont arial(double points, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QLabel* picture(QWidget* parent, const char* name, const QString& file, int size)
{
    auto* label = named(new QLabel(parent), name);
    label->setPixmap(QIcon(file).pixmap(size, size));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace parlowen
