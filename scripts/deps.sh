# SPDX-License-Identifier: MIT
# Shared by ./run, ./test, ./benchmark and ./package: installs the Debian packages QZB needs, once.
QZB_PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-dev
  qt6-base-dev libgl-dev libbenchmark-dev libcli11-dev doctest-dev
  fonts-ipafont-gothic xvfb xauth x11-utils imagemagick
  desktop-file-utils appstream libxml2-utils shared-mime-info libglib2.0-bin man-db file
  dpkg-dev lintian librsvg2-bin
)

qzb_install_deps() {
  local missing=()
  local pkg
  for pkg in "${QZB_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  # A release that names a package differently (the clang runtime on older Ubuntu) skips it.
  local known=()
  for pkg in "${missing[@]}"; do
    if apt-cache show "$pkg" >/dev/null 2>&1; then known+=("$pkg"); else echo "Not in this release: $pkg"; fi
  done
  [ ${#known[@]} -eq 0 ] && return 0
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${known[@]}" >/dev/null
}
