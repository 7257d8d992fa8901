#!/usr/bin/env bash
# public-key-pin.sh <certificate.pem>
# Prints the pin of the certificate's public key: the SHA-256 of its DER SubjectPublicKeyInfo, as
# 64 lower-case hexadecimal digits. A build pins a signer with -DKORVO_PINNED_SIGNER_KEYS=<pin>.
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 <certificate.pem>" >&2
  exit 2
fi
openssl x509 -in "$1" -noout -pubkey | openssl pkey -pubin -outform DER | sha256sum | cut -d' ' -f1
