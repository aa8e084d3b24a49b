#!/usr/bin/env bash
# Installs what is needed, builds, makes the demo company if it is not there, and starts koreq.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
DATA="${KOREQ_DEMO:-${XDG_DATA_HOME:-$HOME/.local/share}/koreq/demo}"
[ -f "$DATA/company.db" ] || build/src/app/koreq --data "$DATA" init --demo
exec build/src/app/koreq --data "$DATA" "$@"
