#include "model_table.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kestrel::media {
namespace {

// Model numbers are (family << 8) | model; model codes are "KSR", the model
// number in hex, "-", the channel count and "CH". Sorted by type code.
constexpr std::array<ModelRow, kModelTableRows> kRows{{
    {0x01000101, 0x01010200, 0x1002, "KSR1002-04CH", "DVR_KSR1000_TYPE", "DVR_SUB_KSR1002_4CH"},
    {0x01000101, 0x01010300, 0x1003, "KSR1003-08CH", "DVR_KSR1000_TYPE", "DVR_SUB_KSR1003_8CH"},
    {0x01000102, 0x01020500, 0x1150, "KSR1150-01CH", "DVR_KSR1100_TYPE", "DVR_SUB_KSR1150_1CH"},
    {0x01000102, 0x01020501, 0x1151, "KSR1151-01CH", "DVR_KSR1100_TYPE", "DVR_SUB_KSR1151_1CH"},
    {0x01000103, 0x01030600, 0x1260, "KSR1260-16CH", "DVR_KSR1200_TYPE", "DVR_SUB_KSR1260_16CH"},
    {0x01000103, 0x01030601, 0x1261, "KSR1261-08CH", "DVR_KSR1200_TYPE", "DVR_SUB_KSR1261_8CH"},
    {0x01000103, 0x01030606, 0x1266, "KSR1266-08CH", "DVR_KSR1200_TYPE", "DVR_SUB_KSR1266_8CH"},
    {0x01000103, 0x01030607, 0x1267, "KSR1267-04CH", "DVR_KSR1200_TYPE", "DVR_SUB_KSR1267_4CH"},
    {0x01000104, 0x01040001, 0x1301, "KSR1301-04CH", "DVR_KSR1300_TYPE", "DVR_SUB_KSR1301_4CH"},
    {0x01000104, 0x01040002, 0x1302, "KSR1302-08CH", "DVR_KSR1300_TYPE", "DVR_SUB_KSR1302_8CH"},
    {0x01000201, 0x02016100, 0x2061, "KSR2061-04CH", "DVR_KSR2000_TYPE", "DVR_SUB_KSR2061_4CH"},
    {0x01000201, 0x02016101, 0x2062, "KSR2062-08CH", "DVR_KSR2000_TYPE", "DVR_SUB_KSR2062_8CH"},
    {0x01000202, 0x02026201, 0x2101, "KSR2101-01CH", "DVR_KSR2100_TYPE", "DVR_SUB_KSR2101_1CH"},
    {0x01000202, 0x02026202, 0x2102, "KSR2102-04CH", "DVR_KSR2100_TYPE", "DVR_SUB_KSR2102_4CH"},
    {0x01000202, 0x02026203, 0x2103, "KSR2103-08CH", "DVR_KSR2100_TYPE", "DVR_SUB_KSR2103_8CH"},
    {0x01000202, 0x02026211, 0x2111, "KSR2111-01CH", "DVR_KSR2100_TYPE", "DVR_SUB_KSR2111_1CH"},
    {0x01000202, 0x02026212, 0x2112, "KSR2112-04CH", "DVR_KSR2100_TYPE", "DVR_SUB_KSR2112_4CH"},
    {0x01000202, 0x02026213, 0x2113, "KSR2113-08CH", "DVR_KSR2100_TYPE", "DVR_SUB_KSR2113_8CH"},
    {0x01000202, 0x02026221, 0x2121, "KSR2121-01CH", "DVR_KSR2100_TYPE", "DVR_SUB_KSR2121_1CH"},
    {0x01000202, 0x02026222, 0x2122, "KSR2122-04CH", "DVR_KSR2100_TYPE", "DVR_SUB_KSR2122_4CH"},
    {0x01000202, 0x02026223, 0x2123, "KSR2123-08CH", "DVR_KSR2100_TYPE", "DVR_SUB_KSR2123_8CH"},
    {0x01000202, 0x02026231, 0x2131, "KSR2131-01CH", "DVR_KSR2100_TYPE", "DVR_SUB_KSR2131_1CH"},
    {0x01000202, 0x02026232, 0x2132, "KSR2132-04CH", "DVR_KSR2100_TYPE", "DVR_SUB_KSR2132_4CH"},
    {0x01000202, 0x02026233, 0x2133, "KSR2133-08CH", "DVR_KSR2100_TYPE", "DVR_SUB_KSR2133_8CH"},
    {0x01000202, 0x02026241, 0x2141, "KSR2141-01CH", "DVR_KSR2100_TYPE", "DVR_SUB_KSR2141_1CH"},
    {0x01000202, 0x02026242, 0x2142, "KSR2142-04CH", "DVR_KSR2100_TYPE", "DVR_SUB_KSR2142_4CH"},
    {0x01000202, 0x02026243, 0x2143, "KSR2143-08CH", "DVR_KSR2100_TYPE", "DVR_SUB_KSR2143_8CH"},
    {0x01000202, 0x02026251, 0x2151, "KSR2151-01CH", "DVR_KSR2100_TYPE", "DVR_SUB_KSR2151_1CH"},
    {0x01000202, 0x02026252, 0x2152, "KSR2152-04CH", "DVR_KSR2100_TYPE", "DVR_SUB_KSR2152_4CH"},
    {0x01000202, 0x02026253, 0x2153, "KSR2153-08CH", "DVR_KSR2100_TYPE", "DVR_SUB_KSR2153_8CH"},
    {0x01000203, 0x02036302, 0x2232, "KSR2232-04CH", "DVR_KSR2200_TYPE", "DVR_SUB_KSR2232_4CH"},
    {0x01000203, 0x02036303, 0x2233, "KSR2233-08CH", "DVR_KSR2200_TYPE", "DVR_SUB_KSR2233_8CH"},
    {0x01000203, 0x02036304, 0x2234, "KSR2234-16CH", "DVR_KSR2200_TYPE", "DVR_SUB_KSR2234_16CH"},
    {0x01000204, 0x02046300, 0x2330, "KSR2330-04CH", "DVR_KSR2300_TYPE", "DVR_SUB_KSR2330_4CH"},
    {0x01000204, 0x02046301, 0x2331, "KSR2331-08CH", "DVR_KSR2300_TYPE", "DVR_SUB_KSR2331_8CH"},
    {0x01000205, 0x02056502, 0x2452, "KSR2452-04CH", "DVR_KSR2400_TYPE", "DVR_SUB_KSR2452_4CH"},
    {0x01000205, 0x02056503, 0x2453, "KSR2453-08CH", "DVR_KSR2400_TYPE", "DVR_SUB_KSR2453_8CH"},
    {0x01000206, 0x02066602, 0x2562, "KSR2562-04CH", "DVR_KSR2500_TYPE", "DVR_SUB_KSR2562_4CH"},
    {0x01000206, 0x02066603, 0x2563, "KSR2563-08CH", "DVR_KSR2500_TYPE", "DVR_SUB_KSR2563_8CH"},
    {0x01000207, 0x02079602, 0x9602, "KSR9602-04CH", "DVR_KSR9600_TYPE", "DVR_SUB_KSR9602_4CH"},
    {0x01000207, 0x02079603, 0x9603, "KSR9603-08CH", "DVR_KSR9600_TYPE", "DVR_SUB_KSR9603_8CH"},
    {0x01000207, 0x05019610, 0x9610, "KSR9610-04CH", "DVR_KSR9600_TYPE", "DVR_SUB_KSR9610_4CH"},
    {0x01000207, 0x02079612, 0x9612, "KSR9612-04CH", "DVR_KSR9600_TYPE", "DVR_SUB_KSR9612_4CH"},
    {0x01000207, 0x02079613, 0x9613, "KSR9613-08CH", "DVR_KSR9600_TYPE", "DVR_SUB_KSR9613_8CH"},
    {0x01000207, 0x02079614, 0x9614, "KSR9614-16CH", "DVR_KSR9600_TYPE", "DVR_SUB_KSR9614_16CH"},
    {0x01000207, 0x0501961A, 0x961A, "KSR961A-04CH", "DVR_KSR9600_TYPE", "DVR_SUB_KSR961A_4CH"},
    {0x01000209, 0x02091112, 0x9112, "KSR9112-04CH", "DVR_KSR9100_TYPE", "DVR_SUB_KSR9112_4CH"},
    {0x01000209, 0x02091113, 0x9113, "KSR9113-08CH", "DVR_KSR9100_TYPE", "DVR_SUB_KSR9113_8CH"},
    {0x01000209, 0x02091114, 0x9114, "KSR9114-16CH", "DVR_KSR9100_TYPE", "DVR_SUB_KSR9114_16CH"},
    {0x01000210, 0x06000004, 0x9000, "KSR9000-04CH", "DVR_KSR9000_TYPE", "DVR_SUB_KSR9000_4CH"},
    {0x01000301, 0x03010004, 0x3004, "KSR3004-04CH", "DVR_KSR3000_TYPE", "DVR_SUB_KSR3004_4CH"},
    {0x01000301, 0x03010008, 0x3008, "KSR3008-08CH", "DVR_KSR3000_TYPE", "DVR_SUB_KSR3008_8CH"},
    {0x01000401, 0x04000008, 0x1513, "KSR1513-08CH", "DVR_KSR1500_TYPE", "DVR_SUB_KSR1513_8CH"},
    {0x01000402, 0x04000009, 0x1514, "KSR1514-08CH", "DVR_KSR1500_MOBILE_TYPE",
     "DVR_SUB_KSR1514_8CH"},
    {0x01000403, 0x0400000A, 0x1515, "KSR1515-16CH", "DVR_KSR1500_SERVER_TYPE",
     "DVR_SUB_KSR1515_16CH"},
}};

constexpr std::array<uint32_t, 10> kH264Types{0x01000104, 0x01000203, 0x01000205, 0x01000206,
                                              0x01000207, 0x01000209, 0x01000210, 0x01000401,
                                              0x01000402, 0x01000403};
constexpr std::array<uint32_t, 6> kAudioPlayerTypes{0x01000207, 0x01000209, 0x01000210,
                                                    0x01000401, 0x01000402, 0x01000403};

bool CodeMatches(const ModelRow& row, std::span<const uint8_t> code) {
    for (size_t i = 0; i < kModelCodeCompared; ++i) {
        const uint8_t header_byte = i < code.size() ? code[i] : 0;
        if (static_cast<uint8_t>(row.model_code[i]) != header_byte) {
            return false;
        }
    }
    return true;
}

bool NumberMatches(const ModelRow& row, uint16_t model_number) {
    return row.model_number == model_number;
}

}  // namespace

std::span<const ModelRow> ModelTable() {
    return kRows;
}

std::string_view ModelCode(const ModelRow& row) {
    return std::string_view(row.model_code, strnlen(row.model_code, kModelCodeCompared));
}

const ModelRow* FindModelByNumberOrCode(uint16_t model_number, std::span<const uint8_t> code) {
    for (const ModelRow& row : kRows) {
        if (NumberMatches(row, model_number) || CodeMatches(row, code)) {
            return &row;
        }
    }
    return nullptr;
}

const ModelRow* FindModelByNumberAndCode(uint16_t model_number, std::span<const uint8_t> code) {
    for (const ModelRow& row : kRows) {
        if (NumberMatches(row, model_number) && CodeMatches(row, code)) {
            return &row;
        }
    }
    return nullptr;
}

bool IsH264Type(uint32_t type_code) {
    return std::ranges::find(kH264Types, type_code) != kH264Types.end();
}

bool IsAudioPlayerType(uint32_t type_code) {
    return std::ranges::find(kAudioPlayerTypes, type_code) != kAudioPlayerTypes.end();
}

}  // namespace kestrel::media
