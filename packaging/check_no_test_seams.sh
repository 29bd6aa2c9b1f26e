#!/usr/bin/env bash
# Checks that no executable or shared library under a folder holds a test
# seam: the table of test hooks (platform/test_hooks.h) that sources compiled
# for tests call through, a function that test programs steer it with (by its
# name in the symbol or the dynamic symbol table), or the name of a KV_TEST_
# variable that test builds read. Test hooks live in test builds only
# (KV_TEST_HOOKS, tests/seams/); a shipped program that held one would let a
# test's steering change what it does.
# Usage: [NM=nm] check_no_test_seams.sh FOLDER_OR_FILE... [--also REGEX]
# (NM names the toolchain's nm for Windows programs.)
set -euo pipefail
nm=${NM:-nm}
seams='testHooks|TestHooks|FailNthAllocation|FailAllocationsFrom|LiveAllocationCount|FailNthFileClose|ForTesting'
paths=()
while [ $# -gt 0 ]; do
  case $1 in
    --also) seams="$seams|$2"; shift 2 ;;
    *) paths+=("$1"); shift ;;
  esac
done

checked=0 failed=0
while IFS= read -r -d '' file; do
  case $(head -c 4 "$file" | od -An -tx1 | tr -d ' \n') in
    7f454c46 | 4d5a*) ;;  # ELF, or a Windows program or library
    *) continue ;;
  esac
  checked=$((checked + 1))
  if symbols=$({ "$nm" -C "$file" 2>/dev/null; "$nm" -DC "$file" 2>/dev/null; } | grep -E "$seams"); then
    echo "check_no_test_seams: $file holds test seams:" >&2
    echo "$symbols" >&2
    failed=1
  fi
  if grep -q KV_TEST_ "$file"; then
    echo "check_no_test_seams: $file names a KV_TEST_ variable" >&2
    failed=1
  fi
done < <(find "${paths[@]}" -type f -print0)
[ "$checked" -gt 0 ] || { echo "check_no_test_seams: no program or library under ${paths[*]}" >&2; exit 1; }
[ "$failed" -eq 0 ] || exit 1
echo "check_no_test_seams: $checked programs and libraries hold no test seam"
