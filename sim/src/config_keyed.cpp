// Records looked up by a key the request carries: the alarm schedules by
// channel number, the network device attributes by device name.
#include "config_handlers.h"
#include "kestrel_records.h"
#include "sim/result_codes.h"

namespace kestrel::sim {
namespace {

// The key of a channel's record; channels the recorder lacks (negative ones
// included) have none.
std::string ChannelKey(const CallContext& c) {
    return SubKey(RecordKey(c.call.name), SegmentWord(c.request[0]));
}

// The key of a device's record; empty when the name fills its field.
std::string NetdevKey(const CallContext& c) {
    const auto name = DecodeRecord<QwNetdevName>(c.request[0]);
    if (!FieldTerminated(name.name, sizeof name.name)) {
        return {};
    }
    return SubKey(kNetdevAttrKey, FieldText(name.name, sizeof name.name));
}

int32_t SetExisting(CallContext& c, const std::string& key, std::string_view record) {
    const auto found = c.records.find(key);
    if (found == c.records.end()) {
        return kMctpNoSuchRecord;  // keys are the recorder's own: none is added
    }
    found->second = SegmentBytes(record);
    return kMctpOk;
}

int32_t AnswerExisting(CallContext& c, const std::string& key) {
    const auto found = c.records.find(key);
    if (found == c.records.end()) {
        return kMctpNoSuchRecord;
    }
    c.answer.push_back(found->second);
    return kMctpOk;
}

}  // namespace

int32_t HandleSetByChannel(CallContext& c) {
    return SetExisting(c, ChannelKey(c), c.request[1]);
}

int32_t HandleGetByChannel(CallContext& c) {
    return AnswerExisting(c, ChannelKey(c));
}

int32_t HandleSetNetdevAttr(CallContext& c) {
    const std::string key = NetdevKey(c);
    return key.empty() ? kMctpBadRecord : SetExisting(c, key, c.request[1]);
}

int32_t HandleGetNetdevAttr(CallContext& c) {
    const std::string key = NetdevKey(c);
    return key.empty() ? kMctpBadRecord : AnswerExisting(c, key);
}

// The names of the devices that have attributes; the selector is reserved.
int32_t HandleNetdevNames(CallContext& c) {
    const std::string prefix = SubKey(kNetdevAttrKey, "");
    Bytes names;
    for (auto it = c.records.lower_bound(prefix);
         it != c.records.end() && it->first.starts_with(prefix); ++it) {
        QwNetdevName name{};
        PutFieldText(name.name, sizeof name.name,
                     std::string_view(it->first).substr(prefix.size()));
        const Bytes bytes = EncodeRecord(name);
        names.insert(names.end(), bytes.begin(), bytes.end());
    }
    AnswerArray(c, names, CapacityOf(c.request[1]));
    return kMctpOk;
}

}  // namespace kestrel::sim
