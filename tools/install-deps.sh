#!/usr/bin/env bash
# Installs the Debian packages that building and testing need (tidy checks the nav form's HTML),
# and the ones named as arguments, when any is missing.
set -euo pipefail
packages=(cmake g++ make qt6-base-dev qt6-translations-l10n libgtest-dev libgmock-dev libxxhash-dev
          fonts-ipafont-gothic tidy "$@")
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
