#!/usr/bin/env bash
# Installs what is missing, builds ぽまりん and starts it in the current directory, where it keeps
# its server settings ("vbmail.ini").
set -euo pipefail
POMARIN_SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "ぽまりん needs a graphical desktop, but no display was found (DISPLAY is not set)." >&2
    exit 1
fi

source "$POMARIN_SOURCE/scripts/common.sh"
ensure_packages "${BUILD_PACKAGES[@]}"
build_pomarin >/dev/null
exec "$POMARIN_SOURCE/build/app/pomarin"
