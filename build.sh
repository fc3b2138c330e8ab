#!/usr/bin/env bash
# Vellumark build driver for Debian 12.
#   ./build.sh run    install what is missing, build (Release) and start the program
#   ./build.sh test   install what is missing, build and run the whole test suite
#   ./build.sh bench  install what is missing, build and run the benchmarks
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-image-formats-plugins
          libtiff-dev libopenjp2-7-dev libtag1-dev libjpeg-dev libpng-dev zlib1g-dev
          libgtest-dev googletest libbenchmark-dev xvfb xauth fonts-liberation fonts-dejavu-core
          locales)
BUILD_DIR=${BUILD_DIR:-build}
JOBS=$(nproc 2>/dev/null || echo 2)

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
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
    echo "The main window is not built yet; showing the batch tool instead:"
    echo "  $BUILD_DIR/bin/vellumark-cli templates   (the label stock catalogue)"
    echo "  $BUILD_DIR/bin/vellumark-cli new 0       (a new standard CD project)"
    echo
    "$BUILD_DIR/bin/vellumark-cli" new 0
    ;;
test)
    install_missing
    configure_and_build -DVELLUMARK_TESTS=ON
    cd "$BUILD_DIR"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$JOBS"
    ;;
bench)
    install_missing
    configure_and_build -DVELLUMARK_BENCH=ON -DVELLUMARK_TESTS=OFF
    "$BUILD_DIR/bin/vellumark-bench" "${@:2}"
    ;;
*)
    echo "usage: ./build.sh run|test|bench" >&2
    exit 2
    ;;
esac
