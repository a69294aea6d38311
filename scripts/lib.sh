# Shared by scripts/run and scripts/test: installing what is missing and building.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Installs the Debian packages that are not there yet (apt-get update first, as once is enough).
ensure_packages() {
  local missing=()
  for package in "$@"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

editor_packages=(cmake g++ make pkg-config libsdl2-dev libx11-dev libassimp-dev libtinyobjloader-dev libtinygltf-dev
  libcli11-dev libstb-dev libmeshoptimizer-dev)
test_packages=(googletest libgtest-dev libbenchmark-dev xvfb libxtst-dev libx11-dev clang libclang-rt-14-dev libosmesa6-dev
  desktop-file-utils shared-mime-info man-db dpkg-dev lintian
  xdotool python3-tinyobjloader python3-stl python3-numpy admesh python3-meshio nodejs)

# The web page: its compiler, and the browser and Node.js its tests drive it with.
# npm comes with this machine's Node.js; on a plain Debian it is a package of its own.
web_packages=(cmake make emscripten nodejs chromium)

jobs=$(nproc 2>/dev/null || echo 2)

# The Khronos glTF validator from npm, installed once into build/npm and reused after that.
# Node.js and npm come from Debian unless the machine already has them.
ensure_gltf_validator() {
  command -v npm >/dev/null 2>&1 || ensure_packages npm
  local folder="$root/build/npm"
  [ -d "$folder/node_modules/gltf-validator" ] && return 0
  mkdir -p "$folder"
  (cd "$folder" && npm install --prefix . --no-audit --no-fund --silent gltf-validator@2.0.0-dev.3.10 >/dev/null)
}

# configure_and_build_target DIR "TARGET..." [cmake options...]: builds only what the targets need.
configure_and_build_target() {
  local dir=$1
  local -a targets
  read -r -a targets <<<"$2"
  shift 2
  cmake -S "$root" -B "$root/$dir" "$@" >/dev/null
  cmake --build "$root/$dir" -j "$jobs" --target "${targets[@]}"
}

# configure_and_build DIR [cmake options...]
configure_and_build() {
  local dir=$1
  shift
  configure_and_build_target "$dir" all "$@"
}

# One clang build under AddressSanitizer and UndefinedBehaviorSanitizer, with the coverage the
# fuzzers steer by, serves both the unit tests and the fuzzers: build_sanitized "TARGET..."
fuzz_targets="fuzz_model_file fuzz_background_image fuzz_import fuzz_ply fuzz_gltf fuzz_vx_tool"
build_sanitized() {
  local cache="$root/build-sanitize/CMakeCache.txt"
  # A folder configured by another compiler cannot take clang's options; start it again.
  if [ -f "$cache" ] && ! grep -q '^CMAKE_CXX_COMPILER:[A-Z]*=.*clang++' "$cache"; then rm -rf "$root/build-sanitize"; fi
  CC=clang CXX=clang++ configure_and_build_target build-sanitize "$1" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVX_SANITIZE=ON -DVX_FUZZ=ON -DVX_EDITOR=OFF -DVX_BENCH=OFF -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
}
