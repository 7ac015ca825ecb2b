#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// The options every benchmark takes, so each can also run in the test suite
// in a few seconds: "--unpaced" drops the simulated wire speed (ratios to the
// wire time then mean nothing, but everything still runs), "--ferrin BYTES"
// sets the size of the Ferrin image. The rest are the benchmark's own
// positional numbers.
struct BenchArgs {
    bool paced = true;
    size_t ferrinSize = 0; // 0: the benchmark's own size
    std::vector<std::string> rest;

    // The n-th positional number, or `fallback` when not given.
    size_t Number(size_t n, size_t fallback) const {
        return n < rest.size() ? std::strtoul(rest[n].c_str(), nullptr, 0) : fallback;
    }
    size_t Ferrin(size_t fallback) const { return ferrinSize ? ferrinSize : fallback; }
};

inline BenchArgs ParseBenchArgs(int argc, char** argv, const char* usage) {
    BenchArgs args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--unpaced") == 0) {
            args.paced = false;
        } else if (std::strcmp(argv[i], "--ferrin") == 0 && i + 1 < argc) {
            args.ferrinSize = std::strtoul(argv[++i], nullptr, 0);
        } else if (argv[i][0] == '-' || std::strtoul(argv[i], nullptr, 0) == 0) {
            std::fprintf(stderr, "usage: %s %s\n", argv[0], usage);
            std::exit(2);
        } else {
            args.rest.emplace_back(argv[i]);
        }
    }
    return args;
}
