// Times checkJavaExe on one runtime: with the version cache primed (a hit)
// and with the cache entry removed before every check (a miss), and counts
// the "-version" runs the stand-in java.exe records in runs.log.
// checktime <java.exe> <repetitions>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "launcher/win/runtime/JavaExeCheck.h"

namespace {

std::size_t runCount(const std::string& javaExe) {
    std::ifstream log(javaExe.substr(0, javaExe.rfind('\\')) + "\\runs.log");
    std::size_t lines = 0;
    for (std::string line; std::getline(log, line);) ++lines;
    return lines;
}

double medianMs(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const int repetitions = std::max(1, std::atoi(argv[2]));
    std::string normalised = argv[1];
    std::string version;
    tavik::runtime::checkJavaExe(normalised, version, {}, {}, tavik::runtime::Prerelease::Allowed,
                                 tavik::runtime::CacheLookup::Use);
    const std::string key = std::string(tavik::jvm::kVersionCacheRoot) + tavik::jvm::versionCacheKey(normalised);

    for (const bool hit : {true, false}) {
        std::vector<double> samples;
        const std::size_t runsBefore = runCount(normalised);
        for (int i = 0; i < repetitions; ++i) {
            if (!hit) ::RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
            std::string javaExe = argv[1];
            const auto start = std::chrono::steady_clock::now();
            const bool accepted = tavik::runtime::checkJavaExe(javaExe, version, {}, {},
                                                               tavik::runtime::Prerelease::Allowed,
                                                               tavik::runtime::CacheLookup::Use);
            samples.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            if (!accepted) return 1;
        }
        std::printf("%s: median %.2f ms over %d checks, %zu processes started\n", hit ? "cache hit" : "cache miss",
                    medianMs(samples), repetitions, runCount(normalised) - runsBefore);
    }
    ::RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    return 0;
}
