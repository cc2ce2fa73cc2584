#!/usr/bin/env bash
# Installs the Debian packages the project needs, once. A second run installs nothing.
# Usage: scripts/deps.sh [build|test|content|fuzz|all]   (default: test)
set -euo pipefail
mode=${1:-test}

build_pkgs=(cmake ninja-build g++ pkg-config libsdl2-dev libsdl2-image-dev libsdl2-mixer-dev
            libopenmpt-dev libpugixml-dev fonts-dejavu-core)
test_pkgs=(libgtest-dev libgmock-dev libbenchmark-dev xvfb xdotool xauth imagemagick python3)
content_pkgs=(librsvg2-bin python3 python3-pil fonts-dejavu-core sox imagemagick)
fuzz_pkgs=(clang libclang-rt-14-dev)

case "$mode" in
  build)   pkgs=("${build_pkgs[@]}") ;;
  test)    pkgs=("${build_pkgs[@]}" "${test_pkgs[@]}") ;;
  content) pkgs=("${content_pkgs[@]}") ;;
  fuzz)    pkgs=("${build_pkgs[@]}" "${test_pkgs[@]}" "${fuzz_pkgs[@]}") ;;
  all)     pkgs=("${build_pkgs[@]}" "${test_pkgs[@]}" "${content_pkgs[@]}" "${fuzz_pkgs[@]}") ;;
  *) echo "usage: $0 [build|test|content|fuzz|all]" >&2; exit 2 ;;
esac

missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
