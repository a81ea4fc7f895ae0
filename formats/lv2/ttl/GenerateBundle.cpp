// Writes the bundle's description files into a folder:
//   quellmar_lv2_ttl FOLDER MAJOR MINOR
// Build-time only; the build runs it whenever the tables change.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "formats/lv2/ttl/BundleFiles.h"

namespace {

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) std::fprintf(stderr, "quellmar_lv2_ttl: cannot write %s\n", path.c_str());
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: quellmar_lv2_ttl FOLDER MAJOR MINOR\n");
        return 2;
    }
    using namespace qm::lv2::ttl;
    const std::string folder = argv[1];
    const int major = std::atoi(argv[2]);
    const int minor = std::atoi(argv[3]);
    const bool written = writeFile(folder + "/manifest.ttl", manifestText()) &&
                         writeFile(folder + "/QuellmarV3.ttl", pluginText(major, minor)) &&
                         writeFile(folder + "/presets.ttl", presetsText());
    return written ? 0 : 1;
}
