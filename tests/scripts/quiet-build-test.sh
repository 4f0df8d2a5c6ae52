#!/usr/bin/env bash
# drova_build_quietly (scripts/lib/setup.sh), which scripts/demo builds with: a build that
# succeeds prints nothing, even when the compiler warns, and builds only the targets asked for;
# a build that fails shows the end of its log and fails.
set -euo pipefail
source "$1/scripts/lib/setup.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cat >CMakeLists.txt <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(quiet LANGUAGES CXX)
add_executable(wanted wanted.cpp)
add_executable(unwanted unwanted.cpp)
CMAKE
printf 'int main() { int unused; return 0; }\n' >wanted.cpp
printf 'int main() { return 0; }\n' >unwanted.cpp

out=$(CXXFLAGS=-Wall drova_build_quietly build wanted 2>&1)
[ -z "$out" ] || { echo "a successful build printed: $out"; exit 1; }
[ -x build/wanted ] || { echo "the target was not built"; exit 1; }
[ ! -e build/unwanted ] || { echo "a target not asked for was built"; exit 1; }
grep -q "unused" build/build.log || { echo "the compiler's warning is not in the log"; exit 1; }

printf 'int main() { return missing; }\n' >wanted.cpp
if out=$(drova_build_quietly build wanted 2>&1); then
    echo "a failing build succeeded"
    exit 1
fi
grep -q "missing" <<<"$out" || { echo "a failing build did not show the error: $out"; exit 1; }
echo "quiet build: ok"
