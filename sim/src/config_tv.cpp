// The TV tuner: its standard and current program live in the TV attribute
// record, its output (0 recorder picture, 1 TV picture) in the TV state.
#include "config_handlers.h"
#include "kestrel_records.h"
#include "sim/result_codes.h"

namespace kestrel::sim {
namespace {

constexpr int32_t kFirstProgram = 1;
constexpr int32_t kLastProgram = 125;

QwTvAttr StoredTv(CallContext& c) {
    return DecodeRecord<QwTvAttr>(c.records[std::string(kTvAttrKey)]);
}

void StoreTv(CallContext& c, const QwTvAttr& tv) {
    c.records[std::string(kTvAttrKey)] = EncodeRecord(tv);
}

// Steps the program, wrapping round at either end, and answers the new one.
int32_t StepProgram(CallContext& c, int32_t step) {
    QwTvAttr tv = StoredTv(c);
    int32_t program = tv.program + step;
    if (program > kLastProgram) {
        program = kFirstProgram;
    } else if (program < kFirstProgram) {
        program = kLastProgram;
    }
    tv.program = program;
    StoreTv(c, tv);
    c.answer.push_back(EncodeRecord(QwTvProgram{program}));
    return kMctpOk;
}

}  // namespace

int32_t HandleSetTvStandard(CallContext& c) {
    QwTvAttr tv = StoredTv(c);
    tv.standard = DecodeRecord<QwTvSet>(c.request[0]).standard;
    StoreTv(c, tv);
    return kMctpOk;
}

int32_t HandleTvProgramUp(CallContext& c) {
    return StepProgram(c, 1);
}

int32_t HandleTvProgramDown(CallContext& c) {
    return StepProgram(c, -1);
}

int32_t HandleTvOutputSwitch(CallContext& c) {
    Bytes& state = c.records[std::string(kTvStateKey)];
    state.assign(1, state.empty() || state[0] == 0 ? 1 : 0);
    c.answer.push_back(state);
    return kMctpOk;
}

int32_t HandleTvAutoSearch(CallContext& c) {
    QwTvAttr tv = StoredTv(c);
    tv.program = kFirstProgram;
    StoreTv(c, tv);
    return kMctpOk;
}

}  // namespace kestrel::sim
