#include "md5_text.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "md5.h"

namespace kestrel::net {

namespace {

constexpr size_t kFileChunk = 1024;

// Each kind keeps its text in a static buffer, so the returned pointer stays
// valid until the next call of the same kind; the lock keeps two threads
// from writing it at once.
struct ResultBuffer {
    std::mutex lock;
    char text[33] = {};
};

ResultBuffer g_buffer_result;
ResultBuffer g_file_result;

const char* Store(ResultBuffer& result, const std::string& hex) {
    std::lock_guard<std::mutex> guard(result.lock);
    std::memcpy(result.text, hex.c_str(), 33);
    return result.text;
}

}  // namespace

const char* Md5OfBuffer(const void* data, size_t length) {
    Md5 md5;
    md5.Update(data, length);
    return Store(g_buffer_result, Md5::Hex(md5.Finish()));
}

const char* Md5OfFile(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return nullptr;
    }
    Md5 md5;
    unsigned char chunk[kFileChunk];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        md5.Update(chunk, got);
    }
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return failed ? nullptr : Store(g_file_result, Md5::Hex(md5.Finish()));
}

}  // namespace kestrel::net
