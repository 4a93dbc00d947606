#!/usr/bin/env bash
# validate-with.sh TOOL ARGS... : runs a validator of desktop data; skips (77) when the tool is
# not installed, and fails when it fails or, for man, when it prints any warning.
set -uo pipefail
tool=$1
shift
if ! command -v "$tool" >/dev/null 2>&1; then
  echo "$tool is not installed: skipped"
  exit 77
fi
if [ "$tool" = man ]; then
  warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$@" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "$warnings"
    exit 1
  fi
  exit 0
fi
exec "$tool" "$@"
