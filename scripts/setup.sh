#!/usr/bin/env bash
# Installs every Debian package the builds, the simulator and the tests need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

packages=(
  cmake g++ make ninja-build pkg-config
  googletest libgtest-dev libgmock-dev
  libcli11-dev nlohmann-json3-dev
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth socat xdotool x11-utils x11-apps imagemagick
  fonts-vlgothic locales procps psmisc python3
  clang libclang-rt-14-dev nsis wixl msitools
  libboost1.81-dev libstb-dev fonts-ipafont-gothic
  python3-markdown
)

stamp=/var/tmp/tvx5870-setup.done
want="$(printf '%s\n' "${packages[@]}" | sha1sum | cut -c1-12)"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ] && dpkg -s "${packages[@]}" >/dev/null 2>&1; then
  echo "setup: packages already installed"
else
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${packages[@]}"
  echo "$want" | $SUDO tee "$stamp" >/dev/null
fi

# Locales for the Japanese and English runs of the Windows tests.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$' || ! locale -a 2>/dev/null | grep -qi '^en_US.utf8$'; then
  $SUDO sed -i -e 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' -e 's/^# *en_US.UTF-8 UTF-8/en_US.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  grep -q '^en_US.UTF-8 UTF-8' /etc/locale.gen || echo 'en_US.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
echo "setup: done"
