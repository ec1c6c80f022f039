# SPDX-License-Identifier: MIT
# Shared by ./run, ./test, ./web, ./benchmark and ./package: installs the Debian packages QZB needs, once.
QZB_PACKAGES=(
  cmake ninja-build g++ clang clang-format libclang-rt-dev
  qt6-base-dev libgl-dev libbenchmark-dev libcli11-dev doctest-dev
  fonts-ipafont-gothic xvfb xauth x11-utils imagemagick
  desktop-file-utils appstream libxml2-utils shared-mime-info libglib2.0-bin man-db file
  dpkg-dev lintian librsvg2-bin locales unzip
)

# apt-get "$@" (with sudo unless root), waiting up to five minutes for a package manager that
# holds the lock, such as a fresh machine's unattended upgrades. Only a lock error is retried:
# apt waits on the dpkg lock itself once given a timeout, but not on the package lists' lock,
# hence the loop. The lock files' paths appear in apt's messages in every language.
qzb_apt_get() {
  local sudo=() errors deadline=$((SECONDS + 300)) timeout=0 said=
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  errors=$(mktemp)
  until "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=$timeout "$@" 2>"$errors"; do
    if [ $SECONDS -ge $deadline ] || ! grep -qE '(dpkg|lists|archives)/lock' "$errors"; then
      cat "$errors" >&2
      rm -f "$errors"
      return 1
    fi
    [ -n "$said" ] || echo "Waiting for another package manager to finish…" >&2
    said=yes
    sleep 5
    timeout=$((deadline > SECONDS ? deadline - SECONDS : 0))
  done
  cat "$errors" >&2
  rm -f "$errors"
}

# The page: emscripten compiles the core, Chromium and Firefox run the page's tests. Node and npm
# count when present from anywhere, since some machines carry a newer Node than Debian's.
QZB_WEB_PACKAGES=(emscripten chromium firefox-esr)

qzb_install_deps() {
  qzb_install_packages "${QZB_PACKAGES[@]}"
}

# Also what the page needs, and its npm packages as package-lock.json pins them.
qzb_install_web_deps() {
  local web=("${QZB_WEB_PACKAGES[@]}")
  command -v node >/dev/null || web+=(nodejs)
  command -v npm >/dev/null || web+=(npm)
  qzb_install_packages "${web[@]}"
  local root
  root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  # npm ci starts afresh each time; skip it while node_modules matches the lock.
  if ! cmp -s "$root/package-lock.json" "$root/node_modules/.qzb-package-lock.json"; then
    (cd "$root" && npm ci --no-audit --no-fund --loglevel=error)
    cp "$root/package-lock.json" "$root/node_modules/.qzb-package-lock.json"
  fi
}

qzb_install_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  qzb_apt_get update -qq
  # A release that names a package differently (the clang runtime on older Ubuntu) skips it.
  local known=()
  for pkg in "${missing[@]}"; do
    if apt-cache show "$pkg" >/dev/null 2>&1; then known+=("$pkg"); else echo "Not in this release: $pkg"; fi
  done
  [ ${#known[@]} -eq 0 ] && return 0
  DEBIAN_FRONTEND=noninteractive qzb_apt_get install -y -qq --no-install-recommends "${known[@]}" >/dev/null
}
