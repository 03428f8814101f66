#!/usr/bin/env bash
# Renders a manual page as `man -l` does, in an 80-column terminal, and fails
# on any warning of the formatter.
# Usage: tools/check-man.sh <page>
set -u
[ $# -eq 1 ] && [ -f "$1" ] || { echo "usage: tools/check-man.sh <page>" >&2; exit 2; }
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$1" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
  echo "$1: man reports:"; echo "$warnings"; exit 1
fi
echo "$1: renders without warnings"
