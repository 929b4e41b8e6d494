#!/bin/sh
# A binary holds no fused multiply-add instruction: one would round a product and a sum once
# where the plain loops round twice, and the renders would differ between machines. The SIMD
# loops must be in the listing for the check to mean anything.
#   tests/no_fused_multiply_add.sh BINARY
set -eu
listing=$(objdump -d --no-show-raw-insn "$1")
if printf '%s\n' "$listing" | grep -E '[[:space:]]vfn?m(add|sub)'; then
  echo "$1 holds fused multiply-add instructions" >&2
  exit 1
fi
printf '%s\n' "$listing" | grep -q 'vcvtpd2ps.*%zmm' || {
  echo "$1 holds no AVX-512 loops to check" >&2
  exit 1
}
