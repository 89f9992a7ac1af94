#!/usr/bin/env bash
# Set-up, build and start:   ./korvane.sh run [FILE.pgn]
# Set-up, build and test:    ./korvane.sh test
# Benchmarks:                ./korvane.sh bench [BenchName]  (also installs pgn-extract, their baseline)
# Installs the Debian packages that are missing (as root, or through sudo).
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake qt6-base-dev libqscintilla2-qt6-dev libgtest-dev libgmock-dev
  libbenchmark-dev zlib1g-dev xvfb xauth clang libclang-rt-14-dev libcli11-dev)

install_missing() {
  local missing=()
  [ "${WITH_BENCH_TOOLS:-0}" = 1 ] && PACKAGES+=(pgn-extract)
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
}

jobs() { nproc 2>/dev/null || echo 2; }

# Every libFuzzer target for KORVANE_FUZZ_SECONDS (default 20) from its stored
# corpus, when clang is there; a crash fails the run and leaves its input in
# build-fuzz/findings.
fuzz() {
  command -v clang++ >/dev/null || { echo "clang++ missing: fuzzing skipped"; return 0; }
  CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_FUZZ=ON \
    -DKORVANE_GUI=OFF -DKORVANE_BENCH=OFF -DKORVANE_TESTS=ON
  local targets=(pgn_check1 pgn_check2 pgn_check3 pgn_check4 pgn_check5 pgn_check6 pgn_check7
    pgn_locate pgn_date stream repair san parser replay ini findlist packed map)
  cmake --build build-fuzz -j"$(jobs)" --target "${targets[@]/#/fuzz_}"
  mkdir -p build-fuzz/findings
  local seconds="${KORVANE_FUZZ_SECONDS:-20}"
  printf '%s\n' "${targets[@]}" | xargs -P "$(jobs)" -I{} sh -c '
    name={}; corpus=tests/fuzz/corpus/${name#pgn_}
    case $name in pgn_*) corpus=tests/fuzz/corpus/pages ;; esac
    mkdir -p build-fuzz/corpus-$name
    build-fuzz/tests/fuzz/fuzz_$name -max_total_time='"$seconds"' -max_len=20000 \
      -artifact_prefix=build-fuzz/findings/$name- build-fuzz/corpus-$name $corpus \
      > build-fuzz/fuzz-$name.log 2>&1 || { tail -40 build-fuzz/fuzz-$name.log; exit 255; }
    echo "fuzz_$name: $(grep -o "Done [0-9]* runs.*" build-fuzz/fuzz-$name.log | tail -1)"'
}

case "${1:-run}" in
  run)
    shift || true
    install_missing
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKORVANE_TESTS=OFF -DKORVANE_BENCH=OFF
    cmake --build build -j"$(jobs)"
    if [ $# -eq 0 ]; then set -- assets/sample.pgn; fi
    exec build/app/korvane "$@"
    ;;
  test)
    install_missing
    cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_WERROR=ON \
      -DKORVANE_SANITIZE=ON
    cmake --build build-test -j"$(jobs)"
    export QT_QPA_PLATFORM=offscreen
    ctest --test-dir build-test --output-on-failure -j"$(jobs)" -LE slow
    # The kill test (a 200 MB file) has a label of its own.
    ctest --test-dir build-test --output-on-failure -L slow
    fuzz
    ;;
  bench)
    shift || true
    WITH_BENCH_TOOLS=1 install_missing
    cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKORVANE_TESTS=OFF -DKORVANE_GUI=OFF \
      -DKORVANE_BENCH=ON
    cmake --build build-bench -j"$(jobs)"
    for b in build-bench/bench/Bench*; do
      [ -x "$b" ] || continue
      if [ $# -eq 0 ] || [ "$(basename "$b")" = "$1" ]; then "$b"; fi
    done
    ;;
  *)
    echo "usage: $0 run [FILE.pgn] | test | bench [BenchName]" >&2
    exit 2
    ;;
esac
