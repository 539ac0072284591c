// Turns a 32 x 32 picture drawn in text into a Windows cursor (.cur) file with its hot spot.
// Characters: '.' transparent, 'X' black, 'o' white, 'y' yellow, 'Y' dark yellow.
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 32;

void put16(std::vector<unsigned char>& out, unsigned value)
{
    out.push_back(static_cast<unsigned char>(value & 0xff));
    out.push_back(static_cast<unsigned char>((value >> 8) & 0xff));
}

void put32(std::vector<unsigned char>& out, std::uint32_t value)
{
    put16(out, value & 0xffff);
    put16(out, value >> 16);
}

// Blue, green, red, alpha.
std::array<unsigned char, 4> colour(char c)
{
    switch (c) {
    case 'X':
        return {0, 0, 0, 255};
    case 'o':
        return {255, 255, 255, 255};
    case 'y':
        return {0x44, 0xc7, 0xf2, 255};
    case 'Y':
        return {0x20, 0xa5, 0xd9, 255};
    default:
        return {0, 0, 0, 0};
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_cursor PICTURE.txt OUTPUT.cur\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    std::vector<std::string> rows;
    int hotX = 0;
    int hotY = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        if (line.rfind("hotspot", 0) == 0) {
            std::istringstream(line.substr(7)) >> hotX >> hotY;
            continue;
        }
        line.resize(kSize, '.');
        rows.push_back(line);
    }
    rows.resize(kSize, std::string(kSize, '.'));

    std::vector<unsigned char> image;
    put32(image, 40);        // BITMAPINFOHEADER size
    put32(image, kSize);     // width
    put32(image, kSize * 2); // height: colour picture and mask together
    put16(image, 1);         // planes
    put16(image, 32);        // bits per pixel
    for (int i = 0; i < 6; ++i)
        put32(image, 0);                   // no compression, sizes and palette left to the reader
    for (int y = kSize - 1; y >= 0; --y) { // bottom-up
        for (int x = 0; x < kSize; ++x) {
            for (unsigned char byte : colour(rows[static_cast<size_t>(y)][static_cast<size_t>(x)]))
                image.push_back(byte);
        }
    }
    for (int y = kSize - 1; y >= 0; --y) { // the AND mask: 1 where transparent
        for (int byteIndex = 0; byteIndex < kSize / 8; ++byteIndex) {
            unsigned char bits = 0;
            for (int bit = 0; bit < 8; ++bit) {
                if (rows[static_cast<size_t>(y)][static_cast<size_t>(byteIndex * 8 + bit)] == '.')
                    bits |= static_cast<unsigned char>(0x80 >> bit);
            }
            image.push_back(bits);
        }
    }

    std::vector<unsigned char> file;
    put16(file, 0); // reserved
    put16(file, 2); // a cursor
    put16(file, 1); // one picture
    file.push_back(kSize);
    file.push_back(kSize);
    file.push_back(0); // no palette
    file.push_back(0);
    put16(file, static_cast<unsigned>(hotX));
    put16(file, static_cast<unsigned>(hotY));
    put32(file, static_cast<std::uint32_t>(image.size()));
    put32(file, 22); // the picture follows this header
    file.insert(file.end(), image.begin(), image.end());
    std::ofstream(argv[2], std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    return 0;
}
