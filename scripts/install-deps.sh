#!/usr/bin/env bash
# Installs every Debian 12 package the build and the tests need. Idempotent:
# does nothing when all are present; otherwise one quiet apt-get update and
# one apt-get install -y of the missing ones. Run as root (or with sudo
# available).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev sqlite3
  libzip-dev zlib1g-dev libical-dev libcurl4-openssl-dev
  python3-pyftpdlib python3-openssl
  xdg-utils desktop-file-utils
  unzip zip python3
  chromium fonts-liberation
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" \
    || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq -o Dpkg::Use-Pty=0 "${missing[@]}" >/dev/null
