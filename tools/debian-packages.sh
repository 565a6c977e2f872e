#!/bin/sh
# Installs the Debian packages given that are missing, so that `make demo` and `make check`
# do all the set-up on a fresh Debian machine: librsvg2-dev for the PDF and PNG figures,
# fonts-liberation for the font they embed, poppler-utils for their tests. Elsewhere, or
# when not run as root, it names what is missing and the build goes on without it.
missing=""
for package in "$@"; do
  dpkg-query -W -f='${Status}' "$package" 2> /dev/null | grep -q "ok installed" ||
    missing="$missing $package"
done
[ -z "$missing" ] && exit 0
if ! command -v apt-get > /dev/null || [ "$(id -u)" != 0 ]; then
  echo "Not installed:$missing (apt-get install$missing): without them pelvano-plot writes no PDF or PNG"
  exit 0
fi
echo "Installing$missing"
apt-get update -qq && apt-get install -y -qq $missing > /dev/null
