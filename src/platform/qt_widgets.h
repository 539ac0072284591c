// Small helpers the forms share to build their controls.
#pragma once

#include <QFont>
#include <QLabel>
#include <QString>

namespace parlowen {

// Arial at the size in points, as every control of the program uses.
QFont arial(double points, bool bold);

// Gives the widget its design name, which tests find it by.
template <class W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A label showing a picture of size x size pixels from its top left corner.
QLabel* picture(QWidget* parent, const char* name, const QString& file, int size);

} // namespace parlowen
