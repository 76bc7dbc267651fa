#!/usr/bin/python3
"""Random Ed25519 cases made by python3-cryptography (OpenSSL), for vyEd25519Test.

Prints one line per key pair: public key, signature and message in hexadecimal. The keys
and messages come from a seeded generator, so every run gives the same cases.
usage: ed25519_oracle.py SEED COUNT MAXLEN
"""
import random
import sys

from cryptography.hazmat.primitives import serialization
from cryptography.hazmat.primitives.asymmetric.ed25519 import Ed25519PrivateKey


def main():
    seed, count, maxlen = (int(a) for a in sys.argv[1:4])
    rng = random.Random(seed)
    out = sys.stdout
    for _ in range(count):
        key = Ed25519PrivateKey.from_private_bytes(rng.randbytes(32))
        public = key.public_key().public_bytes(serialization.Encoding.Raw, serialization.PublicFormat.Raw)
        message = rng.randbytes(rng.randint(0, maxlen))
        out.write(f"{public.hex()} {key.sign(message).hex()} {message.hex()}\n")


if __name__ == "__main__":
    main()
