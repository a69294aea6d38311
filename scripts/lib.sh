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

editor_packages=(cmake g++ make pkg-config libsdl2-dev)
test_packages=(googletest libgtest-dev libbenchmark-dev xvfb libxtst-dev libx11-dev clang libclang-rt-14-dev libosmesa6-dev)

jobs=$(nproc 2>/dev/null || echo 2)

# configure_and_build DIR [cmake options...]
configure_and_build() {
  local dir=$1
  shift
  cmake -S "$root" -B "$root/$dir" "$@" >/dev/null
  cmake --build "$root/$dir" -j "$jobs"
}

# configure_and_build_target DIR TARGET [cmake options...]: builds only what TARGET needs.
configure_and_build_target() {
  local dir=$1 target=$2
  shift 2
  cmake -S "$root" -B "$root/$dir" "$@" >/dev/null
  cmake --build "$root/$dir" -j "$jobs" --target "$target"
}
