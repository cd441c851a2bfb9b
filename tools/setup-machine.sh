#!/usr/bin/env bash
# Registers the three servers of a build - Bellquist, Coravent, Dunmorrow -
# into the machine named by PLATFORM_STATE_ROOT (without it: the default
# machine of this account), as an installer does. Registering again is safe:
# it leaves one clean copy.
#
#   tools/setup-machine.sh <build-dir>
set -euo pipefail
if [ "$#" -ne 1 ]; then
  echo "usage: $0 <build-dir>" >&2
  exit 2
fi
bin="$1/bin"
if [ ! -x "$bin/regsvr" ]; then
  echo "$0: $bin/regsvr is missing; build the tree first" >&2
  exit 1
fi
echo "Registering the servers into ${PLATFORM_STATE_ROOT:-the default machine}"
# Library names are found beside regsvr, and registered with their full paths.
"$bin/regsvr" Bellquist.dll Coravent.dll Dunmorrow.dll
"$bin/regsvr" MessageTexts.dll  # the vault client's message-text component
# The vault client's shared folder (SharedLocation), where the login server
# finds its server program Gallowick and the item generation server the
# project-selection library Yandrel (both built into that folder).
"$bin/Gallowick" /install
"$bin/regsvr" VaultServer.dll  # the vault server object the login dialog checks passwords with
"$bin/regsvr" TavroskClient.dll  # the vault client's older client library
"$bin/regsvr" OxnVault.dll  # the vault's public interface: the vault object, the progress object and the type library
"$bin/regsvr" ItemOperations.dll  # the vault client's outside item operations and revision object
"$bin/regsvr" Brevanne.dll  # the vault client's unlock component: check-in and undo check-out
"$bin/regsvr" Castavy.dll  # the vault client's reference dialog: reference trees and the unlock confirmation
"$bin/regsvr" Hastrel.dll  # the vault client's cross-reference tree component
