// Stands in for wine in the benchmark: records, as its very first work, the monotonic time at
// which it started, in the file named by ZERLIN_BENCH_STAMP.
#include <cstdio>
#include <cstdlib>
#include <ctime>

int main() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const char* stamp = std::getenv("ZERLIN_BENCH_STAMP");
    if (stamp == nullptr) {
        return 2;
    }
    // Written under another name and renamed, so a reader never sees half a number.
    char partial[4096];
    std::snprintf(partial, sizeof partial, "%s.partial", stamp);
    std::FILE* file = std::fopen(partial, "w");
    if (file == nullptr) {
        return 1;
    }
    std::fprintf(file, "%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    const bool written = std::fclose(file) == 0;
    return written && std::rename(partial, stamp) == 0 ? 0 : 1;
}
