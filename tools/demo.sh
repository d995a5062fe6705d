#!/usr/bin/env bash
# The demo: what the toolkit can do on the embedded default drive.
set -euo pipefail
build=${1:-build/release}
"$build/tools/finddevice/tarnwick-finddevice"
