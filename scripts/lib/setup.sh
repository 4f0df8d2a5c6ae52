# Shared set-up of scripts/test and scripts/demo: installs the Debian packages the
# build needs (when run as root) and builds the project.
# shellcheck shell=bash

DROVA_PACKAGES=(g++ cmake make libboost-dev libgmp-dev libgtest-dev libgmock-dev libbenchmark-dev
                nlohmann-json3-dev libcli11-dev libeigen3-dev python3 librandom123-dev
                libtomlplusplus-dev  # the net files (TOML)
                libopenmpi-dev openmpi-bin
                gnuplot-nox  # drova plot draws with it
                clang libclang-rt-14-dev)  # clang and its libFuzzer runtime: scripts/fuzz
# The Octave gateways and their tests; the demo does not need them.
DROVA_OCTAVE_PACKAGES=(octave liboctave-dev octave-symbolic)

# drova_missing_packages [PACKAGE...]: the listed packages (by default DROVA_PACKAGES) not installed.
drova_missing_packages() {
    local missing=() p
    local wanted=("$@")
    [ ${#wanted[@]} -eq 0 ] && wanted=("${DROVA_PACKAGES[@]}")
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    echo "${missing[@]}"
}

# drova_install_dependencies [PACKAGE...]: installs the listed packages (by default DROVA_PACKAGES).
drova_install_dependencies() {
    local missing
    missing=$(drova_missing_packages "$@")
    [ -z "$missing" ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "== Installing Debian packages: $missing"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        # shellcheck disable=SC2086
        apt-get install -y -qq $missing >/dev/null
    else
        echo "Missing Debian packages: $missing" >&2
        echo "Install them with: sudo apt-get install -y $missing" >&2
        return 1
    fi
}

# drova_build_quietly DIR TARGETS [cmake options...]: configures DIR and builds only the
# targets (a blank-separated list), with all the output of CMake and the compiler in
# DIR/build.log; on failure shows the end of that log.
drova_build_quietly() {
    local dir=$1 targets=$2
    shift 2
    mkdir -p "$dir"
    local log=$dir/build.log
    # shellcheck disable=SC2086
    if ! { cmake -S . -B "$dir" "$@" && cmake --build "$dir" -j "$(nproc)" --target $targets; } >"$log" 2>&1; then
        tail -n 40 "$log" >&2
        echo "The build failed; the whole output is in $log" >&2
        return 1
    fi
}

# drova_build DIR [cmake options...]: configures and builds into DIR.
drova_build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}
