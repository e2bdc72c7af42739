// Replays fuzz inputs without libFuzzer: every file named on the command
// line, and every regular file inside a named directory, is handed to
// LLVMFuzzerTestOneInput once. Fails when no input ran or a path is unusable,
// so an empty or mistyped corpus cannot pass silently.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "fuzz_entry.h"

namespace {

namespace fs = std::filesystem;

bool ReplayFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    // An exact-size heap block, so a read past the end is caught by ASan.
    auto input = std::make_unique<uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), input.get());
    LLVMFuzzerTestOneInput(input.get(), bytes.size());
    return true;
}

// Files of a directory in name order, so runs are repeatable.
std::vector<fs::path> FilesIn(const fs::path& dir, std::error_code& error) {
    std::vector<fs::path> files;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error)) {
            files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    size_t ran = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const fs::path path(argv[i]);
        std::error_code error;
        std::vector<fs::path> files;
        if (fs::is_directory(path, error)) {
            files = FilesIn(path, error);
        } else if (fs::is_regular_file(path, error)) {
            files.push_back(path);
        } else {
            std::fprintf(stderr, "no such file or directory: %s\n", argv[i]);
            ok = false;
            continue;
        }
        if (error) {
            std::fprintf(stderr, "cannot list %s: %s\n", argv[i], error.message().c_str());
            ok = false;
        }
        for (const fs::path& file : files) {
            if (ReplayFile(file)) {
                ++ran;
            } else {
                ok = false;
            }
        }
    }
    std::printf("replayed %zu inputs\n", ran);
    if (ran == 0) {
        std::fprintf(stderr, "no input given\n");
        return 1;
    }
    return ok ? 0 : 1;
}
