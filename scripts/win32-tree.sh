# Sourced: configures the cross build tree of pallisar.exe (i686 MinGW-w64, win32
# thread model). A tree configured earlier with another compiler (the posix thread
# model of older versions of this project) is made afresh, since CMake keeps the
# compiler it found first.
pallisar_win32_configure() { # build dir, log file
  local dir=$1 log=$2 root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  if [ -f "$dir/CMakeCache.txt" ] &&
     ! grep -qs 'set(CMAKE_CXX_COMPILER ".*g++-win32")' "$dir"/CMakeFiles/*/CMakeCXXCompiler.cmake; then
    rm -rf "$dir"
  fi
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo $(pallisar_compiler_cache) \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >"$log" 2>&1 \
    || { cat "$log"; return 1; }
}

# A compiler cache, used only when ccache is installed (it is not installed for you):
# the same sources compile once, also in another clone or work tree of this project.
pallisar_compiler_cache() {
  command -v ccache >/dev/null || return 0
  local root launcher
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  launcher="env;CCACHE_BASEDIR=$root;CCACHE_NOHASHDIR=true;ccache"
  echo "-DCMAKE_CXX_COMPILER_LAUNCHER=$launcher -DCMAKE_C_COMPILER_LAUNCHER=$launcher"
}
