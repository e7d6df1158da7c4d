#!/bin/sh
# Installs the Debian 12 packages that building, running and testing need.
# Does nothing when they are all present already.
set -eu
packages="cmake g++ make pkg-config qt6-base-dev qt6-base-private-dev libgl-dev libcurl4-openssl-dev
  libcpp-httplib-dev libproxy-dev libproxy1-plugin-gsettings libproxy1-plugin-webkit
  zlib1g-dev libgtest-dev libgmock-dev fonts-noto-cjk python3 python3-jsonschema $*"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q $missing
