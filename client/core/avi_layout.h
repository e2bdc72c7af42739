// Byte layout of a record file. While recording: the raw 512-byte recording
// header, then chunks from kMoviData. Finalised: the AVI headers below, the
// same chunks, then "idx1" and the index entries. All numbers little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#include "record_state.h"

namespace kestrel::client::avi {

constexpr size_t kHeaderSize = 512;  // the raw recording header / the AVI headers

constexpr size_t kRiffTag = 0;
constexpr size_t kRiffSize = 4;
constexpr size_t kHdrlList = 12;
constexpr uint32_t kHdrlListSize = 480;
constexpr size_t kMainHeader = 24;  // "avih"
constexpr size_t kMainHeaderSize = 88;
constexpr size_t kMainWidth = 64;
constexpr size_t kMainHeight = 68;
constexpr size_t kVideoListSize = 124;
constexpr size_t kAudioListSize = 102;
constexpr size_t kJunkEnd = 500;
constexpr size_t kStateBlock = 400;
constexpr size_t kMoviList = 500;  // "LIST", moviBytes + 4, "movi"
constexpr size_t kMoviTag = 508;
constexpr size_t kMoviData = 512;

constexpr size_t kChunkHeaderSize = 8;
constexpr size_t kIndexEntrySize = 16;
constexpr size_t kIdx1HeaderSize = 8;
constexpr uint32_t kKeyFrameFlag = 0x10;

// The record file stays within what its signed 32-bit counters can express.
constexpr int64_t kMaxFileBytes = 0x7FFFFFFF;

static_assert(kHdrlList + 8 + kHdrlListSize == kJunkEnd, "hdrl list ends where movi starts");
static_assert(kMainHeaderSize + kVideoListSize + kAudioListSize + 8 <= kStateBlock,
              "the junk chunk holds the state block");
static_assert(kStateBlock + sizeof(RecordState) <= kJunkEnd, "state block fits in the junk");
static_assert(kMoviList + 12 == kMoviData && kMoviTag + 4 == kMoviData, "movi list header");
static_assert(kMoviData == kHeaderSize, "chunks follow the 512-byte header");

}  // namespace kestrel::client::avi
