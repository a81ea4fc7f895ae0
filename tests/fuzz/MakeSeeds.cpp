// Writes the seeds of the plug-in fuzzer into OUT/plugin and those of the kernel fuzzer into
// OUT/kernels, one file per seed, replacing whatever the folders held. Run by the fuzz build.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "FuzzSeeds.h"

namespace {

void writeSeeds(const std::filesystem::path& folder, const std::vector<qm::fuzz::Seed>& seeds) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    for (const qm::fuzz::Seed& seed : seeds) {
        std::ofstream file(folder / seed.name, std::ios::binary);
        file.write(reinterpret_cast<const char*>(seed.input.data()), static_cast<std::streamsize>(seed.input.size()));
        if (!file) throw std::runtime_error("cannot write " + (folder / seed.name).string());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT\n", argv[0]);
        return 2;
    }
    try {
        const std::filesystem::path out = argv[1];
        writeSeeds(out / "plugin", qm::fuzz::pluginSeeds());
        writeSeeds(out / "kernels", qm::fuzz::kernelSeeds());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
    return 0;
}
