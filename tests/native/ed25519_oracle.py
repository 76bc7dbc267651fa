#!/usr/bin/python3
"""usage: ed25519_oracle.py SEED COUNT MAXLEN -- for vyEd25519Test, COUNT lines of public
key, signature and message (hexadecimal) made by python3-cryptography (OpenSSL) from keys
and messages of a seeded generator: every run gives the same cases."""
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
