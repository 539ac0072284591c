// Paths are bytes; widgets show them as text in the file-name encoding.
#pragma once

#include <QString>

#include <string>

namespace parlowen {

// The path as a widget shows it.
QString pathToText(const std::string& path);

// The path a widget's text names.
std::string textToPath(const QString& text);

} // namespace parlowen
