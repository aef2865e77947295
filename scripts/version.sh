#!/usr/bin/env bash
# Prints the program's version, e.g. 1.21, from src/res/version.h, the one place it is kept.
set -euo pipefail
header="$(cd "$(dirname "$0")/.." && pwd)/src/res/version.h"
major=$(sed -n 's/^#define TVX_VERSION_MAJOR \([0-9]*\)$/\1/p' "$header")
minor=$(sed -n 's/^#define TVX_VERSION_MINOR \([0-9]*\)$/\1/p' "$header")
if [ -z "$major" ] || [ -z "$minor" ]; then
    echo "version.sh: no version in $header" >&2
    exit 1
fi
echo "$major.$minor"
