#!/usr/bin/env bash
# Builds the editor and starts it; arguments name the document to open.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default
exec build/borovka-editor "$@"
