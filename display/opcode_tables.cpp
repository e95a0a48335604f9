#include "display/opcode_tables.h"

#include <cstddef>

#include "data/opcode_data.h"

void FillOpcodeTables(OpcodeTables& tables, bool mcs4) {
    for (size_t opcode = 0; opcode < kOpcodeData.size(); ++opcode) {
        const bool jcn = (opcode >> 4) == 0x1;
        tables.MnemonicTable[opcode] =
            std::string(mcs4 && jcn ? kMcs4JcnTexts[opcode & 0xF] : kOpcodeData[opcode].text);
    }
    for (size_t opcode = 0; opcode < kOpcodeData.size(); ++opcode) {
        tables.LengthTable[opcode] = kOpcodeData[opcode].length;
    }
}
