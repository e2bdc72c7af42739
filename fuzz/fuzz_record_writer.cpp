// Fuzzes the record file writer: the input is fed as a stream in splits the
// input itself chooses, then the same bytes are opened as an existing record
// file (continued), written to and closed. Nothing may crash or read or
// write out of bounds; a continued file must stay within its size limits.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz_entry.h"
#include "record_file_writer.h"

namespace {

std::string TempName(const char* tag) {
    return (std::filesystem::temp_directory_path() /
            ("kestrel_fuzz_rec_" + std::to_string(getpid()) + tag + ".avi"))
        .string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using kestrel::client::RecordFileWriter;
    const std::string streamFile = TempName("s");
    std::remove(streamFile.c_str());
    {
        RecordFileWriter writer;
        Check(writer.Open(streamFile, size > 0 ? data[0] : 0));
        size_t at = 0;
        for (size_t i = 0; at < size; ++i) {
            const size_t step = std::min<size_t>(size - at, 1 + (data[i % size] * 37u) % 9000);
            writer.Write(data + at, step);
            at += step;
        }
        writer.Close();
    }
    std::remove(streamFile.c_str());

    const std::string existing = TempName("e");
    if (FILE* out = std::fopen(existing.c_str(), "wb")) {
        std::fwrite(data, 1, size, out);
        std::fclose(out);
    }
    {
        RecordFileWriter writer;
        if (writer.Open(existing, 0)) {
            Check(writer.State().moviBytes >= 0 && writer.State().totalChunks >= 0);
            writer.Write(data, size);
            writer.Close();
        }
    }
    std::remove(existing.c_str());
    std::remove((existing + ".indx").c_str());
    return 0;
}
