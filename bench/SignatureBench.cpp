// bench/SignatureBench.cpp
// What the checks of a signed upgrade cost, done as the upgrader does them: the Ed25519
// verification of a signed information file, and the SHA-256 of a downloaded file read
// whole from disk. bench/signature.sh prints them beside the time the same file takes to come
// over loopback. Usage: SignatureBench FILE
#include "BenchTiming.h"
#include "vyAppUpdater.h"
#include "vyDigest.h"

#include <windows.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: SignatureBench FILE\n");
        return 2;
    }
    // A signed information file and its key (the unit tests' pair).
    const std::string info =
        "#signature=d41ab00883426c6e917543875ade53844e223ad2eb9cb3857d8ad20e1e7e087741f4ca8796833eb86d7dc133f808ff7"
        "aa9e211c3e09d0ed6b83abcf5ef1de700\r\n#url=http://h/a.exe\r\n#sha256=00\r\n";
    const auto key = vyParsePublicKey("03a107bff3ce10be1d70dd18e74bc09967e4d6309ba50d5f1ddc8664125531b8");
    bool good = key.has_value(), read = true;
    volatile unsigned sink = 0; // the digests are used
    const double verify = BestSecondsPerCall([&] { good = good && vyInfoSignatureValid(info, *key); }, 0.5);
    // Read whole, then hashed, as the upgrader checks each stored file.
    const double hash = BestSecondsPerCall(
        [&] {
            std::string bytes;
            HANDLE file = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            DWORD got = 0;
            bytes.resize(GetFileSize(file, nullptr));
            if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) bytes.clear();
            CloseHandle(file);
            read = read && !bytes.empty();
            sink = sink + vySha256(bytes)[0];
        },
        0.5);
    if (!good || !read) {
        std::fprintf(stderr, "%s\n", good ? "cannot read the file" : "the signature did not verify");
        return 1;
    }
    std::printf("verify_seconds %.6f\nhash_seconds %.6f\n", verify, hash);
    return 0;
}
