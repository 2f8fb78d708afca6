#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test the program, then configures
# and builds it. Usage: scripts/setup.sh [build-dir [extra cmake options...]]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake ninja-build pkg-config libncurses-dev libsqlite3-dev
          libgtest-dev libgmock-dev libbenchmark-dev tmux
          libcairo2-dev libpango1.0-dev libcups2-dev libpaper-dev fonts-dejavu-core
          poppler-utils cups)
missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: these packages are missing: ${missing[*]}" >&2
    echo "setup: run this script as root (or: sudo apt-get install ${missing[*]})" >&2
    exit 1
  fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi

build_dir=${1:-build}
shift || true
cmake -S . -B "$build_dir" -G Ninja "$@" >/dev/null
cmake --build "$build_dir"
