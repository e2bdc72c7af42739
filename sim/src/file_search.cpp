// File search (command 9) and month calendar (command 17).
#include <algorithm>
#include <array>
#include <vector>

#include "byte_order.h"
#include "command_block.h"
#include "connection_writer.h"
#include "file_commands.h"
#include "recording_store.h"
#include "sim/result_codes.h"

namespace kestrel::sim {
namespace {

constexpr size_t kSearchType = 20;     // LE
constexpr size_t kSearchChannel = 24;  // LE mask, bit n for channel n
constexpr size_t kSearchWhen = 28;     // year-2000, month, day, h, m, s, end h, m, s
constexpr size_t kSearchBodyEnd = kSearchWhen + 9;
constexpr size_t kCalendarMonth = 20;  // LE: low byte year-2000, next byte month
constexpr size_t kCalendarBodyEnd = kCalendarMonth + 4;

constexpr size_t kRecordName = 12;
constexpr size_t kRecordNameSize = 128;
constexpr size_t kRecordTimes = 140;

SessionAction Continue(bool sent) {
    return sent ? SessionAction::kContinue : SessionAction::kClose;
}

void AppendFileRecord(std::vector<uint8_t>& out, const RecordingFile& file) {
    const size_t at = out.size();
    out.resize(at + kFileRecordSize, 0);
    std::span<uint8_t> record(out.data() + at, kFileRecordSize);
    PutLE32(record, 0, file.size);
    PutLE32(record, 4, static_cast<uint32_t>(file.kind));
    PutLE32(record, 8, uint32_t{1} << file.channel);
    // Names are at most 127 characters, so the field always keeps its NUL.
    std::copy_n(file.name.begin(), std::min(file.name.size(), kRecordNameSize - 1),
                record.begin() + kRecordName);
    const int times[] = {file.start.hour, file.start.minute, file.start.second,
                         file.end.hour,   file.end.minute,   file.end.second};
    for (size_t i = 0; i < 6; ++i) {
        record[kRecordTimes + i] = static_cast<uint8_t>(times[i]);
    }
}

}  // namespace

SessionAction HandleSearchFiles(const Request& request, Session& session) {
    const RecorderConfig& config = session.server.config;
    if (config.faults.refuse_search_code) {
        return Continue(SendStandardResponse(session, *config.faults.refuse_search_code));
    }
    if (config.faults.oversized_search_answer) {
        std::array<uint8_t, kStandardResponseHeaderSize> head{};
        PutLE32(head, 0, kOversizedSearchTotal);
        session.writer.Send(head);
        return SessionAction::kClose;  // the rest never comes
    }
    if (!request.Covers(kSearchBodyEnd)) {
        return Continue(SendStandardResponse(session, kResultBadRequest));
    }
    const uint8_t* when = request.block->data() + kSearchWhen;
    const RecordingDay day{2000 + when[0], when[1], when[2]};
    const int from = when[3] * 3600 + when[4] * 60 + when[5];
    const int to = when[6] * 3600 + when[7] * 60 + when[8];
    const auto files = session.server.recordings.Search(
        day, request.BodyLE32(kSearchChannel), static_cast<int32_t>(request.BodyLE32(kSearchType)),
        from, to);
    std::vector<uint8_t> records;
    records.reserve(files.size() * kFileRecordSize);
    for (const RecordingFile& file : files) {
        AppendFileRecord(records, file);
    }
    return Continue(SendStandardResponse(session, kResultOk, records));
}

SessionAction HandleCalendar(const Request& request, Session& session) {
    if (!request.Covers(kCalendarBodyEnd)) {
        return Continue(SendStandardResponse(session, kResultBadRequest));
    }
    const uint32_t month = request.BodyLE32(kCalendarMonth);
    std::array<uint8_t, 4> mask{};
    PutLE32(mask, 0,
            session.server.recordings.DayMask(2000 + static_cast<int>(month & 0xFF),
                                              static_cast<int>(month >> 8 & 0xFF)));
    return Continue(SendStandardResponse(session, kResultOk, mask));
}

}  // namespace kestrel::sim
