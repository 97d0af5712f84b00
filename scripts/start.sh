#!/usr/bin/env bash
# Installs what is missing, builds ぽまりん and starts it in the current directory, where it keeps
# its server settings ("vbmail.ini"). Arguments go to the program (--version, --help).
set -euo pipefail
POMARIN_SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

source "$POMARIN_SOURCE/scripts/common.sh"
ensure_tools build run
configure_build "$POMARIN_SOURCE/build"
build_targets "$POMARIN_SOURCE/build" pomarin
exec "$POMARIN_SOURCE/build/app/pomarin" "$@"
