// The assembler on large sources: a program of 10,000 lines (target: under
// 0.2 s) and a chain of a million constants, each defined by the next one.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "asm/assembler.h"

namespace {

// 10,000 lines as a long program has them: 3,000 constants, code on
// fifteen pages with labels, jumps within the page, comments and calls
// forward, and data.
std::string TenThousandLines() {
    std::string source = "; a long program\n";
    int32_t lines = 1;
    for (int32_t k = 0; k < 3000; ++k, ++lines) {
        source += "K" + std::to_string(k) + " EQU " + std::to_string(k % 16) + "\n";
    }
    for (int32_t page = 0; page < 15; ++page) {
        source += "        ORG " + std::to_string(page * 256) + "\n";
        ++lines;
        for (int32_t k = 0; k < 30; ++k, lines += 6) {
            const std::string label = "L" + std::to_string(page) + "_" + std::to_string(k);
            source += "; step " + std::to_string(k) + "\n" + label + ": LDM K" +
                      std::to_string((page * 30 + k) % 3000) + "  ; load\n" + "        XCH R" +
                      std::to_string(k % 16) + "\n" + "        JCN AZ, " + label + "\n" +
                      "        JMS SUB" + std::to_string(page) + "\n" + "        FIM R0R1, " +
                      label + " - " + std::to_string(page * 256) + "\n";
        }
        source += "SUB" + std::to_string(page) + ": BBL 0\n";
        ++lines;
    }
    while (lines < 10000) {
        source += "D" + std::to_string(lines) + " = " + std::to_string(lines) + " ; more\n";
        ++lines;
    }
    return source;
}

std::string ConstantChain(int32_t count) {
    std::string source;
    for (int32_t k = 0; k < count; ++k) {
        source += "K" + std::to_string(k) + " = K" + std::to_string(k + 1) + "\n";
    }
    source += "K" + std::to_string(count) + " EQU 0x0F-3\n LDM K0\n";
    return source;
}

void BM_AssembleTenThousandLines(benchmark::State& bench) {
    const std::string source = TenThousandLines();
    bool clean = true;
    for (auto _ : bench) {
        const Assembly assembly = Assemble(source);
        clean = clean && !assembly.HasErrors() && assembly.image.size() > 3500;
        benchmark::DoNotOptimize(assembly.image.data());
    }
    if (!clean) bench.SkipWithError("the source did not assemble");
}

void BM_AssembleConstantChain(benchmark::State& bench) {
    const std::string source = ConstantChain(static_cast<int32_t>(bench.range(0)));
    bool clean = true;
    for (auto _ : bench) {
        const Assembly assembly = Assemble(source);
        clean = clean && !assembly.HasErrors() && assembly.image == std::vector<uint8_t>{0xDC};
        benchmark::DoNotOptimize(assembly.image.data());
    }
    if (!clean) bench.SkipWithError("the chain did not resolve");
}

}  // namespace

BENCHMARK(BM_AssembleTenThousandLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AssembleConstantChain)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);
