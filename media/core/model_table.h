// The recorder models the media library knows: each row maps the model
// number and model code of a recording header to a DeviceTypeCode and
// subtype code. The rows of the simulator's model list are all here, so a
// recording it makes is recognised. Also the type groups that choose parsing
// and audio paths.
//
// Threading: a constant table and plain functions; safe from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kestrel::media {

constexpr size_t kModelTableRows = 55;
constexpr size_t kModelCodeField = 20;
constexpr size_t kModelCodeCompared = 12;  // characters of the header's model code
constexpr size_t kModelNameField = 64;

// One 160-byte row; text fields are zero padded.
struct ModelRow {
    uint32_t type_code;
    uint32_t subtype_code;
    uint32_t model_number;  // the header holds 16 bits of it
    char model_code[kModelCodeField];
    char type_name[kModelNameField];     // DVR_..._TYPE
    char subtype_name[kModelNameField];  // DVR_SUB_...
};
static_assert(sizeof(ModelRow) == 160);

std::span<const ModelRow> ModelTable();

// The compared part of a row's model code, without its zero padding.
std::string_view ModelCode(const ModelRow& row);

// `code` is the header's model code field: its first 12 bytes are compared
// (a shorter span is treated as zero padded). nullptr when no row matches.
// Current header layout: a row matching the number or the code.
const ModelRow* FindModelByNumberOrCode(uint16_t model_number, std::span<const uint8_t> code);
// First-generation header layout: a row matching both.
const ModelRow* FindModelByNumberAndCode(uint16_t model_number, std::span<const uint8_t> code);

// Types whose raw byte streams the library parses (H.264 records), and
// types whose audio goes to the outside audio player component, as the
// recorder traits have them.
bool IsH264Type(uint32_t type_code);
bool IsAudioPlayerType(uint32_t type_code);

}  // namespace kestrel::media
