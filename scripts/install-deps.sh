#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need; does nothing when all are there.
set -euo pipefail

packages=(cmake ninja-build g++ binutils pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev qt6-base-dev-tools libxcb1-dev libchm-dev poppler-utils fonts-dejavu-core locales dbus xvfb
          clang libclang-rt-14-dev)  # clang and its sanitizer and libFuzzer runtimes (Debian 12: clang 14)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
