// Runs a fuzz target once on each file named on the command line, or on each
// file in a folder named there: the seed corpus as a test, or a crash input
// libFuzzer saved, in a build without libFuzzer.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"

namespace {

void RunOne(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
    int32_t inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path = argv[i];
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                if (!entry.is_regular_file()) continue;
                RunOne(entry.path());
                ++inputs;
            }
        } else {
            RunOne(path);
            ++inputs;
        }
    }
    std::printf("%d inputs replayed\n", inputs);
    // A corpus that holds nothing tests nothing.
    return inputs > 0 ? 0 : 1;
}
