#!/usr/bin/env bash
# Vellumark build driver for Debian 12.
#   ./build.sh run    install what is missing, build (Release) and start the program
#   ./build.sh test   install what is missing, build and run the whole test suite, then
#                     build the tests labelled "sanitize" with AddressSanitizer and
#                     UndefinedBehaviorSanitizer (in ${BUILD_DIR}-asan) and run them
#   ./build.sh bench  install what is missing, build and run the benchmarks
#   ./build.sh fuzz [SECONDS]
#                     build the libFuzzer harnesses (picture decoders, page reader, older
#                     label conversion) with clang (in ${BUILD_DIR}-fuzz) and run each for
#                     SECONDS (default 60) from the tests' sample files
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-image-formats-plugins
          libtiff-dev libopenjp2-7-dev libtag1-dev libjpeg-dev libpng-dev zlib1g-dev
          libgtest-dev googletest libbenchmark-dev xvfb xauth fonts-liberation fonts-dejavu-core
          locales)
BUILD_DIR=${BUILD_DIR:-build}
JOBS=$(nproc 2>/dev/null || echo 2)

# Installs the given packages (default: PACKAGES) that are not installed yet.
install_missing() {
    local wanted=("$@")
    [ ${#wanted[@]} -eq 0 ] && wanted=("${PACKAGES[@]}")
    local missing=()
    for p in "${wanted[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y "${missing[@]}"
}

configure_and_build() {
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@"
    cmake --build "$BUILD_DIR" -j "$JOBS"
}

cmd=${1:-}
case "$cmd" in
run)
    install_missing
    configure_and_build -DVELLUMARK_TESTS=OFF
    if [ -x "$BUILD_DIR/bin/vellumark" ]; then
        exec "$BUILD_DIR/bin/vellumark" "${@:2}"
    fi
    echo "The main window is not built yet; opening a new standard CD project in the label"
    echo "view's test window instead ($BUILD_DIR/bin/vellumark-cli view --new 0)."
    echo "The batch tool: $BUILD_DIR/bin/vellumark-cli --help"
    exec "$BUILD_DIR/bin/vellumark-cli" view --new 0
    ;;
test)
    install_missing
    configure_and_build -DVELLUMARK_TESTS=ON
    (cd "$BUILD_DIR" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$JOBS")
    # Sanitizer pass: only the tests labelled "sanitize" (those that feed untrusted bytes
    # or pixels to the code), in Debug, which compiles fastest; any report fails the run.
    SAN_DIR="${BUILD_DIR}-asan"
    cmake -S . -B "$SAN_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELLUMARK_SANITIZE=ON \
        -DVELLUMARK_TESTS=ON
    cmake --build "$SAN_DIR" -j "$JOBS" --target vm_tests_sanitize
    cd "$SAN_DIR"
    QT_QPA_PLATFORM=offscreen UBSAN_OPTIONS=print_stacktrace=1 \
        ctest -L sanitize --output-on-failure -j "$JOBS"
    ;;
bench)
    install_missing
    configure_and_build -DVELLUMARK_BENCH=ON -DVELLUMARK_TESTS=OFF
    "$BUILD_DIR/bin/vellumark-bench" "${@:2}"
    # The view paints widgets, which need their own application object: a second program.
    "$BUILD_DIR/bin/vellumark-view-bench" "${@:2}"
    ;;
fuzz)
    install_missing
    install_missing clang libclang-rt-dev
    FUZZ_SECONDS=${2:-60}
    FUZZ_DIR="${BUILD_DIR}-fuzz"
    CC=clang CXX=clang++ cmake -S . -B "$FUZZ_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVELLUMARK_TESTS=OFF
    cmake --build "$FUZZ_DIR" -j "$JOBS" --target vm_fuzz
    rm -rf "$FUZZ_DIR/seeds"
    "$FUZZ_DIR/bin/vm_fuzz_seeds" "$FUZZ_DIR/seeds"
    # harness:seed folder:dictionary (none for the page reader)
    for harness in "bmp:$FUZZ_DIR/seeds/bmp:tests/fuzz/bmp.dict" \
                "gif:$FUZZ_DIR/seeds/gif:tests/fuzz/gif.dict" \
                "pnm:$FUZZ_DIR/seeds/pnm:tests/fuzz/pnm.dict" \
                "readpage:tests/data/records:" \
                "legacy:tests/data/legacy:tests/fuzz/legacy.dict"; do
        IFS=: read -r f seeds dict <<< "$harness"
        # The corpus folder keeps what earlier runs found; crashes land in crashes/.
        mkdir -p "$FUZZ_DIR/corpus/$f" "$FUZZ_DIR/crashes"
        echo "== fuzz_$f for ${FUZZ_SECONDS}s"
        "$FUZZ_DIR/bin/fuzz_$f" -max_total_time="$FUZZ_SECONDS" -print_final_stats=1 \
            ${dict:+-dict="$dict"} -artifact_prefix="$FUZZ_DIR/crashes/$f-" \
            "$FUZZ_DIR/corpus/$f" "$seeds"
    done
    ;;
*)
    echo "usage: ./build.sh run|test|bench|fuzz [SECONDS]" >&2
    exit 2
    ;;
esac
