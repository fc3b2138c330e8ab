// Writes the decoder tests' sample files into DIR/bmp, DIR/gif and DIR/pnm.
#include "DecoderFixtures.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root = argv[1];
    for (const auto& sample : fixtures::Samples()) {
        const char* folder = sample.format == fixtures::Format::Bmp   ? "bmp"
                             : sample.format == fixtures::Format::Gif ? "gif"
                                                                      : "pnm";
        std::filesystem::create_directories(root / folder);
        std::ofstream out(root / folder / sample.name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(sample.bytes.data()),
                  static_cast<std::streamsize>(sample.bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", (root / folder / sample.name).c_str());
            return 1;
        }
    }
    return 0;
}
