#!/usr/bin/env bash
# Sets up a fresh machine and runs the explorer on a demo vault.
# Installs the packages, builds a release tree in build/, makes a private
# machine state under build/demo-machine, registers the servers into it,
# creates the demo vault there (once) and starts the program there.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$here/build}"
bash "$here/tools/install-deps.sh"
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$(nproc)"
export PLATFORM_STATE_ROOT="$build/demo-machine"
mkdir -p "$PLATFORM_STATE_ROOT"
bash "$here/tools/setup-machine.sh" "$build"
# The demo vault, made once into the demo machine (database and archive in
# vaults/server, view folder vaults/demo-view) and filled with the demo content.
# A later run finds it registered and keeps it as it is.
vaults="$PLATFORM_STATE_ROOT/vaults"
listed="$("$build/bin/vaultadmin" list)"
if ! grep -q '^Demo ' <<<"$listed"; then
  # The administrator's password goes on standard input, never on the command line.
  printf '%s\n' admin | "$build/bin/vaultadmin" create Demo --server "$vaults/server" --view "$vaults/demo-view" --admin-password
  "$build/bin/vaultadmin" seed-demo Demo
fi
if [ ! -x "$build/bin/Halvaran" ]; then
  echo "The explorer program is not part of the tree yet; the build and its platform layers are." >&2
  echo "See README.md, 'What runs today'." >&2
  exit 1
fi
exec "$build/bin/Halvaran" "$@"
