#!/usr/bin/env bash
# The icon tool refuses what it cannot turn into an icon, says why, and leaves
# no output file behind. Usage: check_icon_tool.sh TOOL ICON.xpm SCRATCH_DIR
set -euo pipefail
tool=$1 icon=$2 scratch=$3
rm -rf "$scratch"
mkdir -p "$scratch"
echo "not an image" > "$scratch/text.xpm"

# input | factor | output | expected words
cases=(
  "$scratch/text.xpm|2|$scratch/a.png|not a readable XPM image"
  "$scratch/missing.xpm|2|$scratch/b.png|not a readable XPM image"
  "$icon|0|$scratch/c.png|the factor must be a whole number"
  "$icon|2x|$scratch/d.png|the factor must be a whole number"
  "$icon|2|$scratch/no-such-folder/e.png|cannot write the PNG file"
)
failed=0
for case in "${cases[@]}"; do
  IFS='|' read -r input factor output words <<<"$case"
  status=0
  said=$("$tool" "$input" "$factor" "$output" 2>&1) || status=$?
  if [ "$status" -ne 1 ] || ! grep -qF "$words" <<<"$said" || [ -e "$output" ]; then
    echo "FAIL: $input $factor $output: exit $status, said: $said"
    failed=1
  fi
done
exit $failed
