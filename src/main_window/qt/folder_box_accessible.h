// What a screen reader hears of a folder box: its caption as its name, its path as its value.
// (Qt on Linux names an editable combo box by its text.)
#pragma once

class QComboBox;
class QString;

namespace parlowen {

// Makes the box read as its caption from now on.
void nameFolderBoxForScreenReaders(QComboBox* box, const QString& caption);

} // namespace parlowen
