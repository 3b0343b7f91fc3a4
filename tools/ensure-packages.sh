# Sourced by ./run and ./test: installs the Debian packages that are missing, and nothing when all are there.
# Usage: ensure_packages NAME...
ensure_packages() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq </dev/null
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
}

QUARVEL_PACKAGES=(cmake make g++ libgtest-dev libcli11-dev nlohmann-json3-dev libssl-dev libwxgtk3.2-dev xvfb xauth fonts-ipafont-gothic)
# What the tests of the registration and of the Linux package ask the desktop's and Debian's tools.
QUARVEL_TEST_PACKAGES=(shared-mime-info desktop-file-utils xdg-utils libfile-mimeinfo-perl lintian man-db dpkg-dev file
  locales wx3.2-i18n strace fuse3 python3-fuse)
