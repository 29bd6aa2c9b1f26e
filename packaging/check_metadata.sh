#!/usr/bin/env bash
# Validates the desktop entry and the AppStream metainfo with the desktop's
# own validators. Usage: check_metadata.sh FILE.desktop FILE.metainfo.xml
set -euo pipefail
desktop=$1 metainfo=$2

# desktop-file-validate exits 0 on warnings and hints: any word from it fails.
said=$(desktop-file-validate "$desktop" 2>&1) || { echo "$said"; exit 1; }
if [ -n "$said" ]; then
  echo "desktop-file-validate: $said"
  exit 1
fi
appstreamcli validate --no-net "$metainfo"

# The metainfo must launch this desktop entry and name the icon it shows.
id=$(basename "$desktop" .desktop)
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  { echo "$metainfo: does not launch $id.desktop"; exit 1; }
grep -qx "Icon=$id" "$desktop" || { echo "$desktop: the icon is not named $id"; exit 1; }
