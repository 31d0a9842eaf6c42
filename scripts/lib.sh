# Shared steps of the scripts: installing what is missing, building.

# need_packages CHECK:PACKAGE ... installs PACKAGE when CHECK (a command name
# or a file path) is not found.
need_packages() {
  local missing=() item check package
  for item in "$@"; do
    check=${item%%:*}
    package=${item#*:}
    if [[ $check == /* ]]; then
      [[ -e $check ]] || missing+=("$package")
    else
      command -v "$check" >/dev/null 2>&1 || missing+=("$package")
    fi
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}" >&2
    local sudo=""
    [[ $(id -u) == 0 ]] || sudo=sudo
    $sudo apt-get update -qq >&2
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
      "${missing[@]}" >&2
  fi
}

# The libraries of the native program: it reads the game launchers' JSON
# and YAML files with them.
NATIVE_LIBRARIES=(/usr/include/nlohmann/json.hpp:nlohmann-json3-dev
  /usr/include/yaml-cpp/yaml.h:libyaml-cpp-dev)

# build_native DIR [cmake options...]: configures and builds the native program and tests.
build_native() {
  local dir=$1
  shift
  [[ " $* " == *mingw-w64.cmake* ]] || need_packages "${NATIVE_LIBRARIES[@]}"
  local generator=()
  command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
  [[ -f $dir/CMakeCache.txt ]] && generator=()
  cmake -S . -B "$dir" "${generator[@]}" "$@" >/dev/null
  cmake --build "$dir" -j2 >&2
}

# build_windows DIR [TESTS]: cross-builds morvane.exe with MinGW-w64, and
# its unit tests (morvane_tests.exe) when TESTS is ON.
build_windows() {
  build_native "$1" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DMORVANE_TESTS="${2:-OFF}"
}

# need_fuzz_tools: clang and its libFuzzer, wherever this clang keeps it.
need_fuzz_tools() {
  need_packages clang:clang
  local fuzzer
  fuzzer=$(clang -print-resource-dir)/lib/linux/libclang_rt.fuzzer-x86_64.a
  need_packages "$fuzzer:libclang-rt-$(clang -dumpversion | cut -d. -f1)-dev"
}

# build_fuzz DIR: the fuzz targets, built with clang.
build_fuzz() {
  build_native "$1" -DMORVANE_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
}
