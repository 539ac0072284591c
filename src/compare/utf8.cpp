// Checking and showing names that may not be valid UTF-8.
#include "compare/utf8.h"

namespace parlowen {
namespace {

// The length of the valid UTF-8 sequence starting at i, or 0 when none starts there.
std::size_t sequenceLength(std::string_view s, std::size_t i)
{
    const auto byte = [&s](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0)
            low = 0xA0; // overlong
        if (c == 0xED)
            high = 0x9F; // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0)
            low = 0x90;
        if (c == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > s.size())
        return 0;
    if (byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

} // namespace

bool isValidUtf8(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = sequenceLength(bytes, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string displayUtf8(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = sequenceLength(bytes, i);
        if (length == 0) {
            text += "\xEF\xBF\xBD";
            ++i;
        } else {
            text.append(bytes.substr(i, length));
            i += length;
        }
    }
    return text;
}

namespace {

char32_t smallLetter(char32_t c)
{
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 0x20;
    if (c == 0x178)
        return 0xFF;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149)
        return (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E) ? c + (c % 2) : c | 1;
    if ((c >= 0x391 && c <= 0x3A9 && c != 0x3A2))
        return c + 0x20;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    return c;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string foldCase(std::string_view name)
{
    std::string folded;
    folded.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        const auto byte = static_cast<unsigned char>(name[i]);
        // Two-byte letters only (Latin-1, Latin Extended-A, Greek, Cyrillic); the rest as is.
        if (byte >= 0xC2 && byte <= 0xDF && i + 1 < name.size() &&
            (static_cast<unsigned char>(name[i + 1]) & 0xC0) == 0x80) {
            const char32_t c = ((byte & 0x1F) << 6) | (static_cast<unsigned char>(name[i + 1]) & 0x3F);
            appendUtf8(folded, smallLetter(c));
            i += 2;
            continue;
        }
        folded += static_cast<char>(byte < 0x80 ? smallLetter(byte) : byte);
        ++i;
    }
    return folded;
}

} // namespace parlowen
