#!/usr/bin/env bash
# Fails, naming each offending line, when an include crosses a layer the
# wrong way in the source tree given as the first argument. The layers, from
# the bottom, and what each may include besides itself:
#   core/      the machines                        nothing
#   data/      constant data                       core/
#   platform/  the window layer's interface        core/ data/
#   debug/     breakpoints, history, runs          core/
#   display/   opcode tables, listing, state       core/ data/ platform/
#   asm/       the assembler                       core/ data/ display/
#   program/   reading a program file              core/ display/ asm/
#   runner/    quodlet-run                         core/ data/ debug/ display/ asm/ program/
#   frontend/  the window's commands               all of the above but runner/
# platform/'s backends (platform/qt/, platform/headless/) include the
# interface and below. Only platform/qt/, frontend/main.cpp, tests/qt/,
# bench/ and tools/ include Qt or platform/qt/.
#
# With --self-test it builds a tree with one wrong include per rule and
# passes only when the check finds every one of them.
set -u

if [ "${1:-}" = --self-test ]; then
    fixture=$(mktemp -d)
    trap 'rm -rf "$fixture"' EXIT
    mkdir -p "$fixture"/{core,data,debug,display,platform/headless,frontend,asm,program,runner}
    echo '#include "core/fine.h"' >"$fixture/core/fine.h"
    echo '#include "asm/fine.h"' >"$fixture/program/fine.h"
    echo '#include "display/up.h"' >"$fixture/core/wrong.h"
    echo '#include "debug/up.h"' >"$fixture/data/wrong.h"
    echo '#include "display/up.h"' >"$fixture/debug/wrong.h"
    echo '#include "frontend/controls.h"' >"$fixture/display/wrong.cpp"
    echo '#include "frontend/up.h"' >"$fixture/platform/headless/wrong.h"
    echo '#include "runner/up.h"' >"$fixture/asm/wrong.h"
    echo '#include "runner/up.h"' >"$fixture/program/wrong.h"
    echo '#include "frontend/loading.h"' >"$fixture/runner/wrong.h"
    echo '#include "runner/tool.h"' >"$fixture/frontend/wrong.h"
    echo '#include <QWidget>' >"$fixture/asm/qt.cpp"
    echo '#include <QWidget>' >"$fixture/frontend/main.cpp"
    output=$("$0" "$fixture")
    expected="core/wrong.h data/wrong.h debug/wrong.h display/wrong.cpp platform/headless/wrong.h
              asm/wrong.h program/wrong.h runner/wrong.h frontend/wrong.h asm/qt.cpp"
    for file in $expected; do
        grep -q "  $file:" <<<"$output" || { echo "missed $file"; exit 1; }
    done
    if grep -qE "fine.h|main.cpp" <<<"$output"; then
        echo "flagged an allowed include"
        exit 1
    fi
    echo "the check finds every wrong include of the fixture"
    exit 0
fi

root=${1:?usage: check_layers.sh SOURCE_ROOT | --self-test}
cd "$root" || exit 2
ours='core|data|platform|debug|display|asm|program|runner|frontend'
status=0

# Prints the matching include lines of the files given after the pattern.
includes() {
    local pattern=$1
    shift
    [ $# -gt 0 ] || return 0
    grep -HnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*$pattern" "$@"
}

report() {
    local rule=$1 found=$2
    if [ -n "$found" ]; then
        echo "$rule:"
        echo "$found" | sed 's/^/  /'
        status=1
    fi
}

sources() {
    find "$@" -type f \( -name '*.h' -o -name '*.cpp' \) 2>/dev/null | sort
}

# layer FOLDER ALLOWED...: FOLDER's files include nothing of ours but
# FOLDER/ and the ALLOWED folders.
layer() {
    local folder=$1
    shift
    local allowed="$folder"
    for other in "$@"; do allowed="$allowed|$other"; done
    local files
    mapfile -t files < <(sources "$folder")
    report "$folder/ includes a layer above it (it may include $*${*:+ and }itself)" \
        "$(includes "\"($ours)/" "${files[@]}" |
            grep -vE "#[[:space:]]*include[[:space:]]*\"($allowed)/")"
}

layer core
layer data core
layer debug core
layer display core data platform
layer asm core data display
layer program core display asm
layer runner core data debug display asm program
mapfile -t platform < <(sources platform)
report "platform/ includes a layer above it (it may include core/, data/ and itself)" \
    "$(includes "\"($ours)/" "${platform[@]}" |
        grep -vE '#[[:space:]]*include[[:space:]]*"(core|data|platform)/')"
mapfile -t frontend < <(sources frontend)
report "frontend/ includes runner/" "$(includes '"runner/' "${frontend[@]}")"

mapfile -t all < <(sources . | sed 's|^\./||' | grep -vE '^(build[^/]*|\.git)/')
outside=()
for file in "${all[@]}"; do
    case $file in
        platform/qt/* | frontend/main.cpp | tests/qt/* | bench/* | tools/*) ;;
        *) outside+=("$file") ;;
    esac
done
report "Qt or platform/qt/ included outside the Qt layer, main, the Qt tests, benchmarks and tools" \
    "$(includes '(<Q[A-Za-z]|<Qt[A-Za-z]*/|"platform/qt/)' "${outside[@]}")"

[ $status -eq 0 ] && echo "every include points down its layer"
exit $status
