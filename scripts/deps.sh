# SPDX-License-Identifier: MIT
# Shared by ./run, ./test, ./benchmark and ./package: installs the Debian packages QZB needs, once.
QZB_PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-dev
  qt6-base-dev libgl-dev libbenchmark-dev libcli11-dev doctest-dev
  fonts-ipafont-gothic xvfb xauth x11-utils imagemagick
  desktop-file-utils appstream libxml2-utils shared-mime-info libglib2.0-bin man-db file
  dpkg-dev lintian librsvg2-bin
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

qzb_install_deps() {
  local missing=()
  local pkg
  for pkg in "${QZB_PACKAGES[@]}"; do
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
