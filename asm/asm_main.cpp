// quodlet-asm: assembles a 4004 source file into a ROM image (see
// asm/asm_tool.h).

#include <iostream>
#include <string>
#include <vector>

#include "asm/asm_tool.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> arguments(argc > 0 ? argv + 1 : argv, argv + argc);
    return RunAssembler(arguments, std::cout, std::cerr);
}
