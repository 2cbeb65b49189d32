# Installs the Debian packages that building, testing and running need, when any is missing.
# Sourced by scripts/run and scripts/test.

WAYTRACE_PACKAGES=(
  cmake ninja-build g++ pkg-config clang libclang-rt-dev clang-tidy clang-format
  qt6-translations-l10n qt6-base-dev qt6-webengine-dev qt6-webengine-dev-tools qt6-httpserver-dev qt6-websockets-dev qt6-5compat-dev libqt6opengl6-dev
  zlib1g-dev libgumbo-dev
  libbenchmark-dev curl libxml2-utils python3-locust
  xvfb xauth openbox x11-utils
  dpkg-dev file desktop-file-utils appstream lintian help2man
  openssl
  fonts-noto-cjk fonts-dejavu-core
)

waytrace_install_deps() {
  local missing=()
  local pkg
  for pkg in "${WAYTRACE_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}
