#!/bin/sh
# Hand-written test code as a share of the source: C++ lines (.cpp, .hpp, .cc, .h)
# under tests/ and under src/, leaving out every generated/ folder (reference
# headers in tests/, Boys, Lebedev, STO-nG and basis-kernel tables in src/).
# Python generators, CMake files, shell scripts and fuzz corpora are not counted.
cd "$(dirname "$0")/.." || exit 1
count() {
    find "$1" -type f \( -name '*.cpp' -o -name '*.hpp' -o -name '*.cc' -o -name '*.h' \) \
        -not -path '*/generated/*' -exec cat {} + | wc -l
}
tests=$(count tests)
src=$(count src)
awk -v t="$tests" -v s="$src" 'BEGIN { printf "tests %d  src %d  ratio %.1f%%\n", t, s, 100 * t / s }'
