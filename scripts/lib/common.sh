# Shared helpers of the build and test scripts (sourced, not run).

VELLUMINE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# The native build (VELLUMINE_NATIVE_DIR in the environment builds and runs another copy).
VELLUMINE_NATIVE_DIR=${VELLUMINE_NATIVE_DIR:-$VELLUMINE_ROOT/build}
VELLUMINE_WINDOWS_DIR=$VELLUMINE_ROOT/build-win
VELLUMINE_SANITIZE_DIR=$VELLUMINE_ROOT/build-asan
VELLUMINE_JOBS=${VELLUMINE_JOBS:-2}

say() { printf '==> %s\n' "$*"; }
warn() { printf 'warning: %s\n' "$*" >&2; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

# Seconds since the epoch, for step timings.
now() { date +%s; }

# Both flavours are optimised builds with debug information (RelWithDebInfo: -O2 -g).

# Configures the native build in build/ (once; ninja re-runs CMake itself when needed).
configure_native() {
  if [[ ! -f $VELLUMINE_NATIVE_DIR/build.ninja ]]; then
    cmake -S "$VELLUMINE_ROOT" -B "$VELLUMINE_NATIVE_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  fi
}

# Configures the native build with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/ (tests only: no benchmark). It scans a word at a time instead of with SSE2, so
# that the fallback of other targets is tested too (the other builds take the vector path).
configure_sanitize() {
  if [[ ! -f $VELLUMINE_SANITIZE_DIR/build.ninja ]]; then
    cmake -S "$VELLUMINE_ROOT" -B "$VELLUMINE_SANITIZE_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DVELLUMINE_SANITIZE=ON -DVELLUMINE_WORD_SCAN=ON -DVELLUMINE_BUILD_BENCH=OFF
  fi
}

# Configures the native build with ThreadSanitizer in build-tsan/ (the tests of the engine,
# which reads and translates large pages in halves on two threads, and of the batch, which
# converts files on several).
VELLUMINE_THREAD_SANITIZE_DIR=$VELLUMINE_ROOT/build-tsan
configure_thread_sanitize() {
  if [[ ! -f $VELLUMINE_THREAD_SANITIZE_DIR/build.ninja ]]; then
    cmake -S "$VELLUMINE_ROOT" -B "$VELLUMINE_THREAD_SANITIZE_DIR" -G Ninja \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLUMINE_THREAD_SANITIZE=ON -DVELLUMINE_BUILD_BENCH=OFF
  fi
}

# Configures the 32-bit Windows build in build-win/ with the mingw-w64 toolchain.
configure_windows() {
  if [[ ! -f $VELLUMINE_WINDOWS_DIR/build.ninja ]]; then
    cmake -S "$VELLUMINE_ROOT" -B "$VELLUMINE_WINDOWS_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE="$VELLUMINE_ROOT/cmake/mingw-i686.cmake"
  fi
}
