// The model table against the simulator's model list and recording headers.
#include "model_table.h"

#include <gtest/gtest.h>

#include <set>
#include <span>
#include <string>
#include <string_view>

#include "sim/frame_records.h"
#include "sim/model_identity.h"

namespace {

using kestrel::media::FindModelByNumberAndCode;
using kestrel::media::FindModelByNumberOrCode;
using kestrel::media::ModelRow;
using kestrel::media::ModelTable;

std::span<const uint8_t> Code(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(ModelTable, RowsAreDistinctAndNamedByTheirLayout) {
    const auto rows = ModelTable();
    ASSERT_EQ(rows.size(), 55u);
    std::set<uint32_t> numbers;
    std::set<std::string> codes;
    for (const ModelRow& row : rows) {
        const std::string code(kestrel::media::ModelCode(row));
        SCOPED_TRACE(code);
        EXPECT_EQ(code.size(), 12u);
        EXPECT_TRUE(numbers.insert(row.model_number).second);
        EXPECT_TRUE(codes.insert(code).second);
        EXPECT_LE(row.model_number, 0xFFFFu);
        const std::string_view type(row.type_name);
        const std::string_view subtype(row.subtype_name);
        EXPECT_TRUE(type.starts_with("DVR_") && type.ends_with("_TYPE")) << type;
        EXPECT_TRUE(subtype.starts_with("DVR_SUB_")) << subtype;
    }
    // Every code the library tells apart has a model.
    for (uint32_t type :
         {0x01000101u, 0x01000102u, 0x01000103u, 0x01000104u, 0x01000201u, 0x01000202u, 0x01000203u,
          0x01000204u, 0x01000205u, 0x01000206u, 0x01000207u, 0x01000209u, 0x01000210u, 0x01000301u,
          0x01000401u, 0x01000402u, 0x01000403u}) {
        bool found = false;
        for (const ModelRow& row : rows) {
            found = found || row.type_code == type;
        }
        EXPECT_TRUE(found) << std::hex << type;
    }
}

TEST(ModelTable, RecognisesEveryHeaderTheSimulatorWrites) {
    for (const auto& model : kestrel::sim::ModelIdentities()) {
        SCOPED_TRACE(std::string(model.model_code));
        kestrel::sim::RecordingHeaderInfo info;
        info.model_number = model.model_number;
        info.model_code = model.model_code;
        const auto header = kestrel::sim::BuildRecordingHeader(info);
        const uint16_t number =
            static_cast<uint16_t>(header[kestrel::sim::kHeaderModelNumber] |
                                  header[kestrel::sim::kHeaderModelNumber + 1] << 8);
        const std::span<const uint8_t> code(header.data() + kestrel::sim::kHeaderModelCode, 12);

        const ModelRow* row = FindModelByNumberAndCode(number, code);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row, FindModelByNumberOrCode(number, code));
        EXPECT_EQ(row->type_code, model.type_code);
        EXPECT_EQ(row->subtype_code, model.subtype_code);
        EXPECT_EQ(kestrel::media::ModelCode(*row), model.model_code);
        EXPECT_EQ(std::string_view(row->type_name), model.type_name);
        EXPECT_EQ(std::string_view(row->subtype_name), model.subtype_name);
        // The simulator's models stream raw H.264 records.
        EXPECT_TRUE(kestrel::media::IsH264Type(row->type_code));
    }
}

TEST(ModelTable, CurrentLayoutNeedsOneMatchFirstGenerationBoth) {
    const ModelRow& a = ModelTable()[3];
    const ModelRow& b = ModelTable()[40];
    const std::string_view code_a = kestrel::media::ModelCode(a);
    const uint16_t number_a = static_cast<uint16_t>(a.model_number);
    const uint16_t number_b = static_cast<uint16_t>(b.model_number);

    EXPECT_EQ(FindModelByNumberOrCode(number_a, Code("NO-SUCH-CODE")), &a);
    EXPECT_EQ(FindModelByNumberOrCode(0, Code(code_a)), &a);
    EXPECT_EQ(FindModelByNumberAndCode(number_a, Code("NO-SUCH-CODE")), nullptr);
    EXPECT_EQ(FindModelByNumberAndCode(number_b, Code(code_a)), nullptr);
    EXPECT_EQ(FindModelByNumberAndCode(number_a, Code(code_a)), &a);
    EXPECT_EQ(FindModelByNumberOrCode(0, Code("")), nullptr);

    // Only 12 characters count: a longer field with a different tail still
    // matches, a shorter prefix does not.
    EXPECT_EQ(FindModelByNumberAndCode(number_a, Code(std::string(code_a) + "XYZ")), &a);
    EXPECT_EQ(FindModelByNumberAndCode(number_a, Code(code_a.substr(0, 11))), nullptr);
}

TEST(ModelTable, AudioPlayerTypesAreAllH264Types) {
    size_t audio_player = 0;
    for (const ModelRow& row : ModelTable()) {
        if (kestrel::media::IsAudioPlayerType(row.type_code)) {
            ++audio_player;
            EXPECT_TRUE(kestrel::media::IsH264Type(row.type_code)) << std::hex << row.type_code;
        }
    }
    EXPECT_GT(audio_player, 0u);
    EXPECT_FALSE(kestrel::media::IsH264Type(0x01000101));
    EXPECT_FALSE(kestrel::media::IsAudioPlayerType(0x01000206));
}

}  // namespace
