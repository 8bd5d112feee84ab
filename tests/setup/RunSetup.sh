#!/bin/sh
# What `scripts/run` installs and builds holds nothing that only the tests, the benchmarks or fuzzing
# need: a user who only runs the application gets none of their packages installed.
#   RunSetup.sh lists <source folder>
#       scripts/setup's run list holds no test-only package and no package of its test list, the test
#       list holds every test-only package, and scripts/run installs the run list alone and configures
#       without the tests and the benchmarks.
#   RunSetup.sh configure <source folder> <scratch folder> <cmake>
#       scripts/run's configuration succeeds with GoogleTest and Google Benchmark out of reach, and
#       its build files name neither.
set -eu
mode="$1"
top="$2"
status=0
fail() {
    echo "$1"
    status=1
}

# Known by what they serve, whatever the lists say: the test and benchmark frameworks, the tests'
# virtual display and zip tool, the print test's queue tool and PDF printer (which adds a printer to the
# machine's CUPS), the USB disks' file systems the file tests mount, the benchmarks' reference tools,
# clang for fuzzing.
test_only="googletest libgtest-dev libgmock-dev libbenchmark-dev
xvfb xauth zip cups-client printer-driver-cups-pdf ntfs-3g exfat-fuse exfatprogs fusefat dosfstools
poppler-utils libvips-tools ffmpegthumbnailer clang libclang-rt-14-dev"

case "$mode" in
lists)
    run="$("$top/scripts/setup" --list run)"
    tests="$("$top/scripts/setup" --list test)"
    [ -n "$run" ] || fail "scripts/setup lists no run package"
    for p in $test_only; do
        if echo "$run" | grep -qxF "$p"; then
            fail "the run list of scripts/setup holds $p, which only the tests, the benchmarks or fuzzing need"
        fi
        echo "$tests" | grep -qxF "$p" || fail "the test list of scripts/setup lacks $p"
    done
    for p in $run; do
        if echo "$tests" | grep -qxF "$p"; then
            fail "$p is in both lists of scripts/setup"
        fi
    done
    grep -Eq '^[[:space:]]*scripts/setup run[[:space:]]*$' "$top/scripts/run" \
        || fail "scripts/run does not install the run list alone"
    for option in -DQUAVEL_BUILD_TESTS=OFF -DQUAVEL_BUILD_BENCH=OFF; do
        grep -qF -- "$option" "$top/scripts/run" || fail "scripts/run does not configure with $option"
    done
    ;;
configure)
    scratch="$3"
    cmake="$4"
    rm -rf "$scratch"
    if ! "$cmake" -S "$top" -B "$scratch" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUAVEL_BUILD_TESTS=OFF \
        -DQUAVEL_BUILD_BENCH=OFF -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_GMock=ON \
        -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >"$scratch.log" 2>&1; then
        cat "$scratch.log"
        fail "the configuration of scripts/run needs GoogleTest or Google Benchmark"
    elif grep -Eiq 'gtest|gmock|libbenchmark|benchmark::' "$scratch/build.ninja"; then
        grep -Eio '[^ ]*(gtest|gmock|libbenchmark|benchmark::)[^ ]*' "$scratch/build.ninja" | sort -u | head
        fail "the build of scripts/run names GoogleTest or Google Benchmark"
    fi
    rm -rf "$scratch" "$scratch.log"
    ;;
*)
    echo "usage: RunSetup.sh lists|configure ..." >&2
    exit 2
    ;;
esac
exit "$status"
