#!/usr/bin/env bash
# Installs every Debian 12 package the build and the tests need. Idempotent:
# does nothing when all are present; otherwise one quiet apt-get update and
# one apt-get install -y of the missing ones. Run as root (or with sudo
# available).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev lld
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev sqlite3
  zlib1g-dev libical-dev libqrencode-dev libcurl4-openssl-dev libssl-dev
  python3-pyftpdlib python3-openssl
  python3-icalendar python3-dateutil python3-recurring-ical-events
  openssh-server
  libsecret-1-dev gnome-keyring dbus-daemon
  xdg-utils desktop-file-utils appstream
  libglib2.0-bin gsettings-desktop-schemas
  unzip zip python3
  pcal remind faketime
  chromium fonts-liberation
  qt6-base-dev qt6-webengine-dev qt6-image-formats-plugins xvfb xauth
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
# The SFTP tests run sshd themselves on a free port under their own
# configuration; installing openssh-server must not start the system's sshd
# (on port 22) as well. A policy-rc.d that denies starts is put in place for
# the install when none is there.
policy=/usr/sbin/policy-rc.d
own_policy=""
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" >/dev/null
  $sudo chmod 755 "$policy"
  own_policy=1
fi
status=0
$sudo apt-get install -y -qq -o Dpkg::Use-Pty=0 "${missing[@]}" >/dev/null || status=$?
if [ -n "$own_policy" ]; then $sudo rm -f "$policy"; fi
# Where a service manager started it anyway, stop it and keep it off (only
# when this run installed it: a machine's own sshd is left alone).
if [[ " ${missing[*]} " == *" openssh-server "* ]] && command -v systemctl >/dev/null 2>&1 &&
  systemctl is-active --quiet ssh 2>/dev/null; then
  $sudo systemctl disable --now ssh >/dev/null 2>&1 || true
fi
exit $status
