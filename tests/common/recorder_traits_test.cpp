// The recorder-type traits against the simulator's model list, which names
// every model the suite knows with its channel count.
#include "kestrel_recorder_traits.h"

#include <gtest/gtest.h>

#include "sim/model_identity.h"

namespace {

using kestrel::ChannelCountOfSubtype;
using kestrel::FindRecorderType;

TEST(RecorderTraits, EveryModelsTypeIsKnownAndItsChannelCountAgrees) {
    for (const auto& model : kestrel::sim::ModelIdentities()) {
        SCOPED_TRACE(model.model_code);
        EXPECT_NE(FindRecorderType(model.type_code), nullptr);
        const int32_t count = ChannelCountOfSubtype(model.subtype_code);
        // Subtypes missing from the table fall back to the recorder's own answer.
        if (count != 0) {
            EXPECT_EQ(count, model.channel_count);
        }
    }
}

TEST(RecorderTraits, SlotAndSoundRulesOfTheOddTypes) {
    // The single-slot four-window type shares display slot 0 and channel 0's sound.
    const auto& shared = kestrel::RecorderType(0x01000102);
    EXPECT_TRUE(shared.shared_display_slot && shared.single_sound_channel);
    EXPECT_EQ(shared.file_windows, kestrel::FileWindows::kFour);
    EXPECT_TRUE(kestrel::SharesDisplaySlot(0x01000103, 0x01030606));
    EXPECT_FALSE(kestrel::SharesDisplaySlot(0x01000103, 0x01030600));
    EXPECT_TRUE(kestrel::RecorderType(0x01000101).single_channel_slots);
    // Mu-law only for the one subtype that records it, and only on PCM types.
    EXPECT_EQ(kestrel::WaveFormatOf(0x01000201, kestrel::kMuLawSubtype), 0);
    EXPECT_EQ(kestrel::WaveFormatOf(0x01000201, 0x02016101), 2);
    EXPECT_EQ(kestrel::WaveFormatOf(0x01000103, kestrel::kMuLawSubtype), 2);
    EXPECT_EQ(kestrel::WaveFormatOf(0x01000207, 0), kestrel::kWaveAudioPlayer);
    // An unknown type gets safe defaults rather than another type's rules.
    EXPECT_EQ(FindRecorderType(0x7F000000), nullptr);
    EXPECT_FALSE(kestrel::RecorderType(0x7F000000).h264);
    EXPECT_EQ(kestrel::WaveFormatOf(0x7F000000, 0), kestrel::kWaveNone);
}

}  // namespace
