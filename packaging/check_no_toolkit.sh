#!/usr/bin/env bash
# Checks that a program finds every library it needs and that none of them,
# directly or through another, is the Qt toolkit: kvs must run on a machine
# without a graphical stack. Usage: check_no_toolkit.sh PROGRAM
set -euo pipefail
program=$1
libraries=$(ldd "$program")
if grep -q 'not found' <<<"$libraries"; then
  echo "$libraries" >&2
  echo "check_no_toolkit: $program misses a library" >&2
  exit 1
fi
if grep -i 'libqt' <<<"$libraries" >&2; then
  echo "check_no_toolkit: $program loads the toolkit (above)" >&2
  exit 1
fi
echo "check_no_toolkit: $program loads $(wc -l <<<"$libraries") libraries, none of the toolkit"
