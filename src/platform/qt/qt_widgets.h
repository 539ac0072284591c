// Small helpers the forms share to build their controls.
#pragma once

#include <QCursor>
#include <QFont>
#include <QLabel>
#include <QString>
#include <QTableView>
#include <QTreeView>

#include <optional>
#include <string>

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

// Gives a top-level window its caption, the program's icon and a white background.
void setUpWindow(QWidget* window, const QString& caption);

// A list of rows in columns over a model: whole rows, no editing, uniform rows for speed.
QTreeView* rowList(QWidget* parent, const char* name, QAbstractItemModel* model);

// The same look for a list of very many rows: a table keeps nothing per row, where a tree
// keeps an item of some forty bytes for each.
QTableView* largeRowList(QWidget* parent, const char* name, QAbstractItemModel* model);

// The cursor in a cursor file, with the file's hot spot; nothing when it cannot be read.
std::optional<QCursor> loadCursorFile(const std::string& path);

} // namespace parlowen
