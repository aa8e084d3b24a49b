#!/usr/bin/env bash
# Installs what is needed, builds, makes the demo company if it is not there, and opens the
# desktop program on it (without a display: lists its equipment).
# Arguments are passed to koreq (e.g. `scripts/demo.sh list EQCODE`).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
DATA="${KOREQ_DEMO:-${XDG_DATA_HOME:-$HOME/.local/share}/koreq/demo}"
KOREQ=build/src/app/koreq
[ -f "$DATA/company.db" ] || "$KOREQ" --data "$DATA" init --demo
if [ $# -gt 0 ]; then
  exec "$KOREQ" --data "$DATA" "$@"
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$KOREQ" --data "$DATA"
fi
"$KOREQ" --data "$DATA" list EQHEADER \
  --fields EquipmentID,Description,ClassCode,Active,CurrentMeter,PurchaseValue
