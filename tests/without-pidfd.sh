#!/usr/bin/env bash
# Runs a command where the kernel offers no process descriptors, as older
# kernels and some sandboxes do: pidfd_open fails with ENOSYS (a seccomp
# filter, loaded by bubblewrap). Exit status 77 (skipped) without bwrap.
#
#     without-pidfd.sh COMMAND [ARGUMENT...]
set -euo pipefail
command -v bwrap >/dev/null 2>&1 || { echo "SKIP: bwrap is missing (Debian package bubblewrap)"; exit 77; }
[ "$(uname -m)" = x86_64 ] || { echo "SKIP: the filter is written for x86_64"; exit 77; }
filter=$(mktemp "${TMPDIR:-/tmp}/without-pidfd.XXXXXX")
trap 'rm -f "$filter"' EXIT
# Classic BPF over struct seccomp_data: another architecture is let through,
# pidfd_open (434) gets ENOSYS (38), every other call is allowed.
python3 - >"$filter" <<'PY'
import struct, sys
load, jump_equal, ret = 0x20, 0x15, 0x06
allow, enosys = 0x7fff0000, 0x00050000 | 38
program = [(load, 0, 0, 4), (jump_equal, 1, 0, 0xc000003e), (ret, 0, 0, allow),
           (load, 0, 0, 0), (jump_equal, 0, 1, 434), (ret, 0, 0, enosys), (ret, 0, 0, allow)]
sys.stdout.buffer.write(b"".join(struct.pack("<HBBI", *op) for op in program))
PY
bwrap --dev-bind / / --seccomp 3 3<"$filter" "$@"
