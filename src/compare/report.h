// The comparison as text records, one a line, for the headless compare tool.
#pragma once

#include "compare/comparison.h"

#include <ostream>

namespace parlowen {

// A field with "\", tab, carriage return and newline written as "\\", "\t", "\r" and "\n".
std::string escapeField(const std::string& field);

// One "L" record per left row, one "R" record per right row, then one "OP" record per planned
// operation, fields separated by one tab.
void writeReport(std::ostream& out, const Comparison& comparison);

} // namespace parlowen
