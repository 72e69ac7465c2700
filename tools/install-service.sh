#!/usr/bin/env bash
# Installs the Linux monitoring service for systemd: the daemon from a release
# build, its unit file, and the folder of its settings file (the service creates
# the file at its first start).
# Usage: tools/install-service.sh [BUILD_DIR]   (default build/native-release)
# Run as root. The service it installs powers the machine off on "SHUTDOWN".
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/native-release}
[ -x "$build/service/vqveruredo" ] || { echo "install-service: build first (make release)" >&2; exit 1; }
install -D -m 0755 "$build/service/vqveruredo" /usr/local/sbin/vqveruredo
install -D -m 0644 service/vqveruredo.service /etc/systemd/system/vqveruredo.service
install -d -m 0755 /etc/vequor
systemctl daemon-reload
systemctl enable --now vqveruredo.service
echo "Installed. Set \"Remote Server UPS\" and \"Communication Port\" in /etc/vequor/monitor.reg, then: systemctl restart vqveruredo"
