#pragma once
// What differs between the assemblers whose sources Quodlet reads: the JCN
// condition names each one knows, the hints an error gives when a source
// uses another one's name, and how a source's rules are chosen.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "asm/assembler.h"

// The condition a built-in name stands for under a dialect's rules (upper
// case, no blanks), or -1. Under Quodlet's rules for the MCS-4 system this
// includes the joined forms (C1|TZ, AN&C0, ...); `why` then says what is
// wrong with a joined form that is not one.
int32_t BuiltInCondition(AsmSyntax syntax, AsmMachine machine, std::string_view upper,
                         std::string& why);

// The names a dialect's rules take for JCN, for a message.
std::string ConditionNamesOf(AsmSyntax syntax, AsmMachine machine);

// How the other dialects read a condition name this one does not know, for
// a message ("AS reads it as 4"); empty when none knows it.
std::string OtherConditionReadings(AsmSyntax syntax, AsmMachine machine, std::string_view upper);

// The rules a source is read by and why.
struct SyntaxChoice {
    AsmSyntax syntax = AsmSyntax::kQuodlet;
    AsmMachine machine = AsmMachine::kCompatible;
    std::string reason;  // empty: Quodlet's rules, for want of any other sign
    std::string error;   // the first line's choice names no such rules
    int32_t errorColumn = 1;
    std::string warning;  // the first line asks for other rules than the caller
};

// The options' choice, else the first line's ("; quodlet-asm --syntax as
// --machine mcs4", also after '/'), else a sign in the text that only one
// assembler's sources write: `cpu` (AS), `#define`, `#include`, `#if` and
// uz80as's dotted directives, `org rom` or `org ram` (Pyntel4004, Intel).
// `source` starts after any byte-order mark.
SyntaxChoice ChooseSyntax(std::string_view source, const AsmOptions& options);

// The first line that makes a source read by these rules again, as the
// listing file starts: "; quodlet-asm --syntax as --machine mcs4".
std::string SyntaxMarker(AsmSyntax syntax, AsmMachine machine);
