#!/usr/bin/python3
"""Publishing a signed upgrade: keys, the files' digests, the signed information file.

    publish.py keygen KEYFILE
        makes a new Ed25519 key pair, writes the private key to KEYFILE (PEM, readable by
        its owner only) and prints the public key: 64 hexadecimal digits, the value of the
        build's TG_UPGRADE_PUBLIC_KEY.
    publish.py pubkey KEYFILE
        prints the public key of a private key file.
    publish.py sign KEYFILE TEMPLATE OUTPUT [--files DIR]
        writes OUTPUT: the information file TEMPLATE with the SHA-256 of every file it
        lists beside the file's url key, and a signature as its first line. Each file is
        read from DIR (default: TEMPLATE's folder) under the last part of its address.
    publish.py check PUBLICKEY INFOFILE [--files DIR]
        checks the signature of INFOFILE by PUBLICKEY (64 hexadecimal digits or a key
        file), and with DIR each listed file against its digest. Exit status 0 when good.

The rules are the upgrader's: entries "#key=value" anywhere in the text, keys in any case,
the first occurrence wins, a value ends before the first character below 32. The files
are url, url0, then url<n> from n = (files so far) + 1 until one is missing or empty; the
digest of each goes under "sha256" + the url key's suffix (sha256, sha2560, sha256<n>).
The signature, "#signature=" + 128 hexadecimal digits, covers the file's exact bytes with
those 128 digits left out.
"""
import argparse
import hashlib
import os
import re
import sys

from cryptography.exceptions import InvalidSignature
from cryptography.hazmat.primitives import serialization
from cryptography.hazmat.primitives.asymmetric.ed25519 import Ed25519PrivateKey, Ed25519PublicKey

SIGNATURE = "#signature="


def find_value(text, key):
    """(start, end) of the first "#key=" value, or None."""
    # Only A-Z ignore their case, as in the upgrader: bytes.lower() leaves the rest.
    at = text.encode("latin-1").lower().find(("#" + key.lower() + "=").encode())
    if at < 0:
        return None
    start = at + len(key) + 2
    end = start
    while end < len(text) and ord(text[end]) >= 32:
        end += 1
    return start, end


def value(text, key):
    span = find_value(text, key)
    return text[span[0]:span[1]] if span else ""


def file_list(text):
    """[(suffix, address)] in download order."""
    files = [(s, value(text, "url" + s)) for s in ("", "0") if value(text, "url" + s)]
    n = len(files) + 1
    while value(text, "url%d" % n):
        files.append((str(n), value(text, "url%d" % n)))
        n += 1
    return files


def file_name(address):
    return re.split(r"[/\\:]", address)[-1]


def sha256_of(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 16), b""):
            h.update(block)
    return h.hexdigest()


def signed_bytes(text):
    """The signed bytes and the signature's digits, or None without a signature entry."""
    span = find_value(text, "signature")
    if not span:
        return None
    return (text[:span[0]] + text[span[1]:]).encode("latin-1"), text[span[0]:span[1]]


def load_private(path):
    with open(path, "rb") as f:
        key = serialization.load_pem_private_key(f.read(), password=None)
    if not isinstance(key, Ed25519PrivateKey):
        sys.exit("%s: not an Ed25519 private key" % path)
    return key


def public_hex(key):
    return key.public_key().public_bytes(serialization.Encoding.Raw, serialization.PublicFormat.Raw).hex()


def keygen(args):
    key = Ed25519PrivateKey.generate()
    pem = key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                            serialization.NoEncryption())
    fd = os.open(args.keyfile, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
    with os.fdopen(fd, "wb") as f:
        f.write(pem)
    print(public_hex(key))


def sign(args):
    key = load_private(args.keyfile)
    # Latin-1 keeps every byte as it is: the file is 8-bit text in the ANSI code page.
    with open(args.template, "rb") as f:
        text = f.read().decode("latin-1")
    if find_value(text, "signature"):
        sys.exit("%s already holds a signature entry" % args.template)
    folder = args.files or os.path.dirname(os.path.abspath(args.template))
    newline = "\r\n" if "\r\n" in text else "\n"
    for suffix, address in file_list(text):
        digest_key = "sha256" + suffix
        digest = sha256_of(os.path.join(folder, file_name(address)))
        span = find_value(text, digest_key)
        if span:
            text = text[:span[0]] + digest + text[span[1]:]
        else:
            end = find_value(text, "url" + suffix)[1]
            text = text[:end] + newline + "#" + digest_key + "=" + digest + text[end:]
    text = SIGNATURE + newline + text
    signature = key.sign(signed_bytes(text)[0]).hex()
    text = text[:len(SIGNATURE)] + signature + text[len(SIGNATURE):]
    with open(args.output, "wb") as f:
        f.write(text.encode("latin-1"))


def check(args):
    if os.path.exists(args.publickey):
        raw = bytes.fromhex(public_hex(load_private(args.publickey)))
    else:
        raw = bytes.fromhex(args.publickey)
    with open(args.infofile, "rb") as f:
        text = f.read().decode("latin-1")
    parts = signed_bytes(text)
    good = True
    if not parts or not re.fullmatch(r"[0-9a-fA-F]{128}", parts[1]):
        print("no signature entry of 128 hexadecimal digits")
        return 1
    try:
        Ed25519PublicKey.from_public_bytes(raw).verify(bytes.fromhex(parts[1]), parts[0])
        print("signature: good")
    except InvalidSignature:
        print("signature: BAD")
        good = False
    for suffix, address in file_list(text):
        stated = value(text, "sha256" + suffix)
        if not re.fullmatch(r"[0-9a-fA-F]{64}", stated):
            print("%s: no digest" % address)
            good = False
        elif args.files:
            actual = sha256_of(os.path.join(args.files, file_name(address)))
            print("%s: %s" % (address, "good" if actual == stated.lower() else "DIFFERS"))
            good = good and actual == stated.lower()
    return 0 if good else 1


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("keygen")
    p.add_argument("keyfile")
    p = sub.add_parser("pubkey")
    p.add_argument("keyfile")
    p = sub.add_parser("sign")
    p.add_argument("keyfile")
    p.add_argument("template")
    p.add_argument("output")
    p.add_argument("--files")
    p = sub.add_parser("check")
    p.add_argument("publickey")
    p.add_argument("infofile")
    p.add_argument("--files")
    args = parser.parse_args()
    if args.command == "keygen":
        keygen(args)
    elif args.command == "pubkey":
        print(public_hex(load_private(args.keyfile)))
    elif args.command == "sign":
        sign(args)
    else:
        return check(args)
    return 0


if __name__ == "__main__":
    sys.exit(main())
