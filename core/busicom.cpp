#include "core/busicom.h"

namespace {

// What the drum prints in each sector: digit columns 1..15, column 17,
// column 18.
constexpr std::array<std::string_view, kBusicomSectors> kDigitSymbols = {
    "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", ".", ".", "-",
};
constexpr std::array<std::string_view, kBusicomSectors> kColumn17Symbols = {
    "<>", "+", "-", "X", "/", "M+", "M-", "^", "=", "SQ", "%", "C", "R",
};
constexpr std::array<std::string_view, kBusicomSectors> kColumn18Symbols = {
    "#", "*", "I", "II", "III", "M+", "M-", "T", "K", "E", "Ex", "C", "M",
};

constexpr std::array<std::string_view, 8> kPointTexts = {"0", "1", "2", "3", "4", "5", "6", "8"};
constexpr std::array<std::string_view, 3> kRoundingTexts = {"FL", "5/4", "CUT"};

// The symbol a column struck (1 + sector), or "" for none.
std::string_view Struck(const std::array<std::string_view, kBusicomSectors>& symbols,
                        uint8_t code) {
    return code >= 1 && code <= kBusicomSectors ? symbols[code - 1u] : std::string_view();
}

std::string LineText(const uint8_t* columns) {
    std::string text;
    for (int32_t c = 0; c < 15; ++c) {
        const std::string_view digit = Struck(kDigitSymbols, columns[c]);
        text += digit.empty() ? ' ' : digit[0];
    }
    const auto padded = [&text](std::string_view symbol, size_t width) {
        text += symbol;
        text.append(width - std::min(width, symbol.size()), ' ');
    };
    text += ' ';
    padded(Struck(kColumn17Symbols, columns[16]), 2);
    text += ' ';
    padded(Struck(kColumn18Symbols, columns[17]), 3);
    return text;
}

}  // namespace

const BusicomKey* BusicomKeyByName(std::string_view name) {
    for (const BusicomKey& key : kBusicomKeys) {
        if (key.name == name) return &key;
    }
    return nullptr;
}

std::string BusicomKeyNames() {
    std::string names;
    for (const BusicomKey& key : kBusicomKeys) {
        if (!names.empty()) names += ' ';
        names += key.name;
    }
    return names;
}

void PressBusicomKey(Mcs4State& state, const BusicomKey& key) {
    state.keysDown[static_cast<size_t>(key.column)] |= static_cast<uint8_t>(1 << key.row);
}

bool BusicomKeyDown(const Mcs4State& state) {
    for (const uint8_t rows : state.keysDown) {
        if (rows != 0) return true;
    }
    return false;
}

int32_t BusicomSwitchPositions(BusicomSwitch which) {
    return which == BusicomSwitch::DecimalPoint ? static_cast<int32_t>(kPointTexts.size())
                                                : static_cast<int32_t>(kRoundingTexts.size());
}

int32_t BusicomSwitchPosition(const Mcs4State& state, BusicomSwitch which) {
    return state.switches[static_cast<size_t>(which)] % BusicomSwitchPositions(which);
}

void StepBusicomSwitch(Mcs4State& state, BusicomSwitch which) {
    const int32_t next = (BusicomSwitchPosition(state, which) + 1) % BusicomSwitchPositions(which);
    state.switches[static_cast<size_t>(which)] = static_cast<uint8_t>(next);
}

std::string_view BusicomSwitchText(int32_t position, BusicomSwitch which) {
    const int32_t count = BusicomSwitchPositions(which);
    const auto index = static_cast<size_t>(((position % count) + count) % count);
    return which == BusicomSwitch::DecimalPoint ? kPointTexts[index] : kRoundingTexts[index];
}

BusicomLampState BusicomLamps(const Mcs4State& state) {
    const int32_t port = state.ramPorts[1];  // bank 0, chip 1
    return {(port & 1) != 0, (port & 2) != 0, (port & 4) != 0};
}

int64_t BusicomLinesPrinted(const Mcs4State& state) {
    return state.linesPrinted;
}

std::optional<BusicomLine> BusicomTapeLine(const Mcs4State& state, int64_t n) {
    if (n < 0 || n >= state.linesPrinted || n < state.linesPrinted - kBusicomPaperLines) {
        return std::nullopt;
    }
    const uint8_t* line =
        state.paper.data() + static_cast<size_t>(n % kBusicomPaperLines) * (kBusicomColumns + 1);
    return BusicomLine{LineText(line), line[kBusicomColumns] != 0};
}

BusicomLine BusicomLineOnDrum(const Mcs4State& state) {
    return {LineText(state.printLine.data()), state.printRed != 0};
}

bool BusicomIdle(const Mcs4State& state) {
    return state.quietScans >= kBusicomIdleScans && !BusicomKeyDown(state);
}

bool ParseBusicomKeys(std::string_view text, std::vector<BusicomInput>& inputs, std::string& bad) {
    size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (c == ',' || c == ' ') {
            ++at;
        } else if (c == 'd' || c == 'r') {
            inputs.push_back(
                {nullptr, c == 'd' ? BusicomSwitch::DecimalPoint : BusicomSwitch::Rounding});
            ++at;
        } else {
            const BusicomKey* found = nullptr;
            for (size_t length = 3; length > 0 && found == nullptr; --length) {
                if (at + length <= text.size()) found = BusicomKeyByName(text.substr(at, length));
            }
            if (found == nullptr) {
                const size_t end = text.find_first_of(", ", at);
                bad = std::string(text.substr(at, end == std::string_view::npos ? end : end - at));
                return false;
            }
            inputs.push_back({found});
            at += found->name.size();
        }
    }
    return true;
}
