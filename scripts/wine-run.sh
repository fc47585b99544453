#!/usr/bin/env bash
# Runs one Windows program under Wine in the project's prefix (the cross build's
# test emulator). Output of the program goes to this script's stdout/stderr.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
pallisar_wine_prefix
pallisar_wine_warm_up
exec wine "$@"
