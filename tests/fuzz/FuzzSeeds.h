#pragma once
// The seeds of the fuzz targets whose inputs are steps rather than files: each a short session
// described step by step and turned into the bytes the target reads. MakeSeeds.cpp writes them
// into the fuzz build's seed folders.

#include <cstdint>
#include <string>
#include <vector>

namespace qm::fuzz {

struct Seed {
    std::string name;  // the file name, which says what the seed does
    std::vector<std::uint8_t> input;
};

// Seeds of quellmar_fuzz (PluginFuzzer.cpp).
std::vector<Seed> pluginSeeds();
// Seeds of quellmar_kernel_fuzz (KernelFuzzer.cpp).
std::vector<Seed> kernelSeeds();

}  // namespace qm::fuzz
