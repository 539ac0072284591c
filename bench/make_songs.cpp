// Writes COUNT songs of SECONDS each into FOLDER as 16-bit stereo WAV files with a changing
// chord and a little noise (closer to music than a sine for an encoder); the bench turns them
// into tagged FLACs with a cover.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_songs FOLDER COUNT SECONDS\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int count = std::atoi(argv[2]);
    const int rate = 44100;
    const auto frames = static_cast<std::uint32_t>(std::atof(argv[3]) * rate);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 300);
    for (int song = 0; song < count; ++song) {
        char name[64];
        std::snprintf(name, sizeof name, "/song %03d.wav", song + 1);
        std::ofstream out(folder + name, std::ios::binary);
        const auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
        const auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
        out.write("RIFF", 4);
        u32(36 + frames * 4);
        out.write("WAVEfmt ", 8);
        u32(16), u16(1), u16(2), u32(rate), u32(rate * 4), u16(4), u16(16);
        out.write("data", 4);
        u32(frames * 4);
        std::vector<std::int16_t> block;
        block.reserve(2 * rate);
        for (std::uint32_t i = 0; i < frames; ++i) {
            const double t = double(i) / rate;
            const double root = 110.0 * std::pow(2.0, ((i / (rate / 2)) % 12 + song) / 12.0);
            double v = 0;
            for (const double ratio : {1.0, 1.25, 1.5, 2.0})
                v += std::sin(2 * M_PI * root * ratio * t + 0.3 * std::sin(5 * t)) * 2500;
            const auto left = static_cast<std::int16_t>(v + noise(random));
            const auto right = static_cast<std::int16_t>(0.8 * v + noise(random));
            block.push_back(left);
            block.push_back(right);
            if (block.size() >= 2 * rate || i + 1 == frames) {
                out.write(reinterpret_cast<const char*>(block.data()),
                          static_cast<std::streamsize>(block.size() * 2));
                block.clear();
            }
        }
    }
    return 0;
}
