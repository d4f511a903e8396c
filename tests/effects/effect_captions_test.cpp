#include "effects/effect_captions.h"

#include <gtest/gtest.h>

namespace sonvaro {
namespace {

TEST(EffectCaptions, SlidersAndCaptionsUseWholeNumberDivision) {
    EXPECT_EQ(BalanceCaption(1), "99 <");
    EXPECT_EQ(BalanceCaption(200), "> 100");
    EXPECT_EQ(ReverbMixSlider(-96), 0);
    EXPECT_EQ(ReverbMixCaption(96), "100");
    EXPECT_EQ(ReverbMixCaption(50), "52");  // 5000 / 96 = 52.08
    EXPECT_EQ(ReverbTimeSlider(1000), 33);
    EXPECT_EQ(ReverbTimeFromSlider(33), 990);
    EXPECT_EQ(ReverbTimeSlider(3000), 100);
    EXPECT_EQ(EchoDelayCaption(500), "25");
    EXPECT_EQ(EchoDelayCaption(39), "1");
    // Values from an edited settings file must not overflow the products.
    EXPECT_EQ(ReverbTimeSlider(2'000'000'000), 66'666'666);
    EXPECT_EQ(EchoDelayCaption(INT32_MAX), "107374182");
}

TEST(EffectCaptions, SystemVolumeHasTwoDecimalsWithPoint) {
    EXPECT_EQ(SystemVolumeCaption(0.75f), "0.75");
    EXPECT_EQ(SystemVolumeCaption(1.0f), "1.00");
    EXPECT_EQ(SystemVolumeCaption(0.05f), "0.05");
    EXPECT_EQ(SystemVolumeCaption(0.999f), "1.00");
    EXPECT_EQ(SystemVolumeSlider(0.756f), 76);
    // BASS_GetVolume's failure value is no volume.
    EXPECT_EQ(SystemVolumeCaption(-1.0f), "0.00");
    EXPECT_EQ(SystemVolumeSlider(-1.0f), 0);
}

}  // namespace
}  // namespace sonvaro
