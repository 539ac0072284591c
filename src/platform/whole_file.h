// Parlowen's own records (the journal of uploads, the copy maps, the players' rules): each
// written whole to a new file, flushed and renamed over the old one, so a crash leaves either
// the old text or the new, never a mixture; changed under a lock file of their own.
#pragma once

#include "platform/unique_fd.h"

#include <string>
#include <system_error>
#include <vector>

namespace parlowen {

// The file's text; "" where there is none.
std::string readWhole(const std::string& path);
// Replaces the file by text (its folders made first), flushed with its folder.
std::error_code writeWhole(const std::string& path, const std::string& text);
// Holds "path.lock" exclusively until the result is destroyed; an empty descriptor (and
// error) where it could not be had.
UniqueFd lockFor(const std::string& path, std::error_code& error);

// A field of a tab-separated line: tabs, new lines and backslashes escaped.
std::string escapedField(const std::string& text);
std::string unescapedField(const std::string& text);
// The fields of a line, unescaped; a line that ends in a tab has an empty last field.
std::vector<std::string> splitFields(const std::string& line);

} // namespace parlowen
