// Reading a cursor file's header.
#include "platform/cursor_file.h"

#include <fstream>

namespace parlowen {

std::optional<std::pair<int, int>> cursorHotSpot(const std::string& path)
{
    unsigned char header[14] = {};
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(header), sizeof header))
        return std::nullopt;
    const auto word = [&header](int at) { return header[at] | (header[at + 1] << 8); };
    if (word(0) != 0 || word(2) != 2 || word(4) < 1)
        return std::nullopt;
    return std::pair{word(10), word(12)};
}

} // namespace parlowen
