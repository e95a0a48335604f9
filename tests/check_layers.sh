#!/usr/bin/env bash
# Fails, naming each offending line, when an include crosses a layer the
# wrong way in the source tree given as the first argument:
# - core/ includes nothing of ours outside core/;
# - display/ does not include frontend/;
# - platform/ does not include frontend/;
# - only platform/qt/, frontend/main.cpp, tests/qt/, bench/ and tools/
#   include Qt or platform/qt/.
#
# With --self-test it builds a tree with one wrong include per rule and
# passes only when the check finds every one of them.
set -u

if [ "${1:-}" = --self-test ]; then
    fixture=$(mktemp -d)
    trap 'rm -rf "$fixture"' EXIT
    mkdir -p "$fixture"/{core,display,platform/headless,frontend,asm}
    echo '#include "core/fine.h"' >"$fixture/core/fine.h"
    echo '#include "display/up.h"' >"$fixture/core/wrong.h"
    echo '#include "frontend/controls.h"' >"$fixture/display/wrong.cpp"
    echo '#include "frontend/up.h"' >"$fixture/platform/headless/wrong.h"
    echo '#include <QWidget>' >"$fixture/asm/wrong.cpp"
    echo '#include <QWidget>' >"$fixture/frontend/main.cpp"
    output=$("$0" "$fixture")
    expected="core/wrong.h display/wrong.cpp platform/headless/wrong.h asm/wrong.cpp"
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
ours='core|display|frontend|data|platform|asm|runner|debug'
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

mapfile -t core < <(sources core)
report "core/ includes another layer" \
    "$(includes "\"($ours)/" "${core[@]}" | grep -vE '#[[:space:]]*include[[:space:]]*"core/')"

mapfile -t display < <(sources display)
report "display/ includes frontend/" "$(includes '"frontend/' "${display[@]}")"

mapfile -t platform < <(sources platform)
report "platform/ includes frontend/" "$(includes '"frontend/' "${platform[@]}")"

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
