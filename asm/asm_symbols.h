#pragma once
// A program's symbols (display/symbols.h) as an assembly gives them: its
// labels, and the place and source line of each instruction its listing
// holds.

#include "asm/assembler.h"
#include "display/symbols.h"

// Each listing line's bytes are read as instructions from its address on
// (a DB line's too: code is sometimes written so); an instruction of an
// included file has line 0.
ProgramSymbols SymbolsOf(const Assembly& assembly);
