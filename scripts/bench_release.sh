# Sourced by the benchmarks that measure tvx5870ctl and the simulator: the optimized build they
# run, as it is shipped (the native preset is a debug build), made once in build/bench-release
# (TVX_BENCH_BUILD_DIR) and brought up to date at each run. Needs $root; sets $release.
release="${TVX_BENCH_BUILD_DIR:-$root/build/bench-release}"
if [ ! -f "$release/CMakeCache.txt" ]; then
    launcher=()
    if command -v ccache >/dev/null; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S "$root" -B "$release" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
fi
if ! cmake --build "$release" -j2 --target tvx5870ctl tvx5870-sim >"$release/bench-build.log" \
    2>&1; then
    cat "$release/bench-build.log" >&2
    exit 1
fi
