# Sourced by run.sh and test.sh: installs the Debian packages the build needs, skipping those present.
tarnwick_install() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

TARNWICK_BUILD_PACKAGES=(g++ cmake ninja-build qt6-base-dev libqt6opengl6-dev libgl-dev
  libglu1-mesa-dev libgl1-mesa-dri)
