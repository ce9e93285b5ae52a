#!/bin/sh
# Builds the fuzz targets with clang's libFuzzer, ASan and UBSan into a
# folder of their own, and seeds the skin target with the shipped skin.
#
#   fuzz/build.sh [BUILD_DIR]        (default: build-fuzz)
#
# Exits 77, saying why, when clang or its fuzzer runtime is missing (Debian:
# clang and libclang-rt-dev), so that test runs can skip the fuzzing.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build-fuzz}

cxx=""
for c in ${FUZZ_CXX:-} clang++; do
    if command -v "$c" >/dev/null 2>&1; then
        cxx=$(command -v "$c")
        break
    fi
done
if [ -z "$cxx" ]; then
    echo "SKIP: no clang++ found; the fuzz targets need clang (Debian: clang, libclang-rt-dev)"
    exit 77
fi

# A one-line fuzz target tells whether the fuzzer runtime is there.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf '#include <cstdint>\n#include <cstddef>\nextern "C" int LLVMFuzzerTestOneInput(const uint8_t *, size_t) { return 0; }\n' >"$probe/p.cpp"
if ! "$cxx" -fsanitize=fuzzer,address,undefined "$probe/p.cpp" -o "$probe/p" >"$probe/log" 2>&1; then
    echo "SKIP: $cxx cannot link libFuzzer with ASan and UBSan (Debian: libclang-rt-dev):"
    sed 's/^/    /' "$probe/log" | head -5
    exit 77
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$here/targets" -B "$build" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$probe/configure.log" 2>&1 ||
        { cat "$probe/configure.log"; exit 1; }
fi
cmake --build "$build" -j "${FUZZ_JOBS:-2}"

# The shipped skin seeds the skin target from where the program takes it,
# beside the inputs that runs add (fuzz/run.sh reads both folders).
mkdir -p "$build/corpus/skin"
cp "$here/../data/x/o.cjs" "$build/corpus/skin/shipped.cjs"
