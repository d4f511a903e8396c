#include "effects/effect_chain.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <tuple>

#include "effects/equalizer_presets.h"

namespace sonvaro {
namespace {

std::string ToneFile() {
    std::string dir = SONVARO_FIXTURES "/effects";
    std::string path = dir + "/tone.wav";
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || st.st_size == 0) {
        std::system(("mkdir -p '" + dir + "'").c_str());
        std::string cmd = "sox -n -r 44100 -c 2 -b 16 '" + path + "' synth 3 sine 1000 >/dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << "cannot make " << path;
    }
    return path;
}

// Remembers the last thing the logic told each control.
struct RecordingView : EffectsView {
    void SetBandPosition(int band, int position) override { bands[band] = position; }
    void SetBandsEnabled(bool enabled) override { bandsEnabled = enabled; }
    void SetPresetSelection(int index) override { preset = index; }
    void SetSliderPosition(EffectsSlider slider, int position) override { sliders[slider] = position; }
    void SetCaption(EffectsSlider slider, const std::string& text) override { captions[slider] = text; }
    void SetChecked(EffectsCheckBox box, bool checked) override { checks[box] = checked; }
    void SetReplayGain(int, int, bool) override {}

    std::map<int, int> bands;
    int bandsEnabled = -1;
    int preset = -1;
    std::map<EffectsSlider, int> sliders;
    std::map<EffectsSlider, std::string> captions;
    std::map<EffectsCheckBox, bool> checks;
};

class EffectChainTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
        channel = OpenTone();
        chain.SetView(&view);
        chain.SetChannel(channel, RateOf(channel));
    }
    void TearDown() override { BASS_Free(); }

    DWORD OpenTone() {
        std::string path = ToneFile();
        DWORD ch = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
        EXPECT_NE(ch, 0u) << BASS_ErrorGetCode();
        return ch;
    }
    static float RateOf(DWORD ch) {
        float rate = 0;
        BASS_ChannelGetAttribute(ch, BASS_ATTRIB_FREQ, &rate);
        return rate;
    }
    static float Pan(DWORD ch) {
        float pan = -99;
        EXPECT_TRUE(BASS_ChannelGetAttribute(ch, BASS_ATTRIB_PAN, &pan));
        return pan;
    }
    // Reads one band back from the engine; fGain is NaN when that fails.
    BASS_BFX_PEAKEQ Band(int band) {
        BASS_BFX_PEAKEQ p{};
        p.lBand = band;
        if (!BASS_FXGetParameters(chain.handles().equalizer, &p)) p.fGain = NAN;
        return p;
    }
    void ExpectBandsAt(const std::array<int32_t, kEqualizerBandCount>& steps) {
        for (int i = 0; i < kEqualizerBandCount; ++i)
            EXPECT_FLOAT_EQ(Band(i).fGain, steps[i] / 10.0f - 12.0f) << "band " << i;
    }

    Settings settings;
    RecordingView view;
    EffectChain chain{settings};
    DWORD channel = 0;
};

TEST_F(EffectChainTest, EqualizerBandsAreSetUpAndFollowTheirSteps) {
    settings.Equilizer_Active = 1;
    settings.Equilizer_Pan[0] = 0;
    settings.Equilizer_Pan[9] = 240;
    chain.ApplyEqualizer();
    ASSERT_NE(chain.handles().equalizer, 0u);
    const float centres[] = {31, 63, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
    for (int i = 0; i < kEqualizerBandCount; ++i) {
        BASS_BFX_PEAKEQ p = Band(i);
        EXPECT_EQ(p.lBand, i);
        EXPECT_FLOAT_EQ(p.fBandwidth, 2.5f);
        EXPECT_FLOAT_EQ(p.fQ, 0.0f);
        EXPECT_FLOAT_EQ(p.fCenter, centres[i]) << i;
        EXPECT_EQ(p.lChannel, BASS_BFX_CHANALL);
    }
    EXPECT_FLOAT_EQ(Band(0).fGain, -12.0f);
    EXPECT_FLOAT_EQ(Band(5).fGain, 0.0f);
    EXPECT_FLOAT_EQ(Band(9).fGain, 12.0f);

    chain.OnBandMoved(4, 145);
    EXPECT_EQ(settings.Equilizer_Pan[4], 145);
    EXPECT_FLOAT_EQ(Band(4).fGain, 2.5f);
    EXPECT_FLOAT_EQ(Band(4).fCenter, 500.0f);  // the read-back keeps the other fields
}

TEST_F(EffectChainTest, ChoosingAPresetSetsAllTenBands) {
    settings.Equilizer_Active = 1;
    chain.ApplyEqualizer();
    ASSERT_EQ(kEqualizerPresets[14].caption, "Rock");
    const decltype(settings.Equilizer_Pan) rock = {168, 149, 84, 69, 95, 145, 175, 187, 187, 187};
    const float rockGains[] = {4.8f, 2.9f, -3.6f, -5.1f, -2.5f, 2.5f, 5.5f, 6.7f, 6.7f, 6.7f};

    chain.OnPresetChosen(14);
    EXPECT_EQ(settings.Equilizer_Preset, 14);
    EXPECT_EQ(settings.Equilizer_Pan, rock);
    for (int i = 0; i < kEqualizerBandCount; ++i) {
        EXPECT_EQ(view.bands[i], rock[i]) << i;
        EXPECT_NEAR(Band(i).fGain, rockGains[i], 1e-5) << i;
    }

    chain.OnPresetChosen(4);  // "Flat"
    for (int i = 0; i < kEqualizerBandCount; ++i) {
        EXPECT_EQ(settings.Equilizer_Pan[i], 120) << i;
        EXPECT_FLOAT_EQ(Band(i).fGain, 0.0f) << i;
    }
}

TEST_F(EffectChainTest, ChoosingTheSelectedPresetAgainKeepsHandMovedBands) {
    settings.Equilizer_Active = 1;
    chain.ApplyEqualizer();
    chain.OnPresetChosen(14);
    chain.OnBandMoved(0, 200);
    view.bands.clear();

    chain.OnPresetChosen(14);
    EXPECT_EQ(settings.Equilizer_Pan[0], 200);
    EXPECT_FLOAT_EQ(Band(0).fGain, 8.0f);
    EXPECT_TRUE(view.bands.empty());

    // No selection in the list is not a preset.
    chain.OnPresetChosen(-1);
    chain.OnPresetChosen(19);
    EXPECT_EQ(settings.Equilizer_Preset, 14);
    EXPECT_EQ(settings.Equilizer_Pan[0], 200);
}

TEST_F(EffectChainTest, EqualizerOffRemovesItAndOnReattachesWithCurrentSteps) {
    chain.OnEqualizerToggled(true);
    HFX first = chain.handles().equalizer;
    ASSERT_NE(first, 0u);
    EXPECT_EQ(view.bandsEnabled, 1);

    chain.OnEqualizerToggled(false);
    EXPECT_EQ(settings.Equilizer_Active, 0);
    EXPECT_EQ(view.bandsEnabled, 0);
    BASS_BFX_PEAKEQ p{};
    EXPECT_FALSE(BASS_FXGetParameters(first, &p)) << "the equalizer is still attached";
    EXPECT_EQ(chain.handles().equalizer, 0u);

    chain.OnBandMoved(3, 60);  // stored, nothing to apply it to
    EXPECT_EQ(settings.Equilizer_Pan[3], 60);

    chain.OnEqualizerToggled(true);
    ASSERT_NE(chain.handles().equalizer, 0u);
    EXPECT_FLOAT_EQ(Band(3).fGain, -6.0f);
    EXPECT_EQ(view.bandsEnabled, 1);
}

TEST_F(EffectChainTest, ApplyingTwiceOnOneChannelDoesNotStackEffects) {
    settings.Equilizer_Active = 1;
    settings.Reverb = settings.Echo = settings.Flanger = 1;
    chain.ApplyAll();
    EffectHandles first = chain.handles();
    chain.ApplyAll();
    EXPECT_EQ(chain.handles().equalizer, first.equalizer);
    EXPECT_EQ(chain.handles().reverb, first.reverb);
    EXPECT_EQ(chain.handles().echo, first.echo);
    EXPECT_EQ(chain.handles().flanger, first.flanger);
}

TEST_F(EffectChainTest, SpeedIsAShareOfTheRecordedRate) {
    chain.OnSpeedMoved(50);
    EXPECT_EQ(settings.Equalizer_Speed, 50);
    EXPECT_FLOAT_EQ(RateOf(channel), 22050.0f);
    EXPECT_EQ(view.captions[EffectsSlider::Speed], "50%");

    chain.OnSpeedMoved(200);
    EXPECT_FLOAT_EQ(RateOf(channel), 88200.0f);  // of the recorded rate, not the current one

    // Without a recorded rate nothing changes on the channel, but the caption follows.
    chain.SetChannel(channel, 0);
    chain.OnSpeedMoved(100);
    EXPECT_FLOAT_EQ(RateOf(channel), 88200.0f);
    EXPECT_EQ(view.captions[EffectsSlider::Speed], "100%");
}

TEST_F(EffectChainTest, BalanceSetsPanAndCaption) {
    chain.OnBalanceMoved(70);
    EXPECT_FLOAT_EQ(Pan(channel), -0.3f);
    EXPECT_EQ(view.captions[EffectsSlider::Balance], "30 <");
    chain.OnBalanceMoved(130);
    EXPECT_FLOAT_EQ(Pan(channel), 0.3f);
    EXPECT_EQ(view.captions[EffectsSlider::Balance], "> 30");
    chain.OnBalanceMoved(100);
    EXPECT_FLOAT_EQ(Pan(channel), 0.0f);
    EXPECT_EQ(view.captions[EffectsSlider::Balance], "Center");
}

TEST_F(EffectChainTest, ReverbParametersFollowTheSliders) {
    settings.ReverbMix = -10;
    settings.ReverbTime = 1000;
    chain.OnReverbToggled(true);
    EXPECT_EQ(settings.Reverb, 1);
    HFX fx = chain.handles().reverb;
    ASSERT_NE(fx, 0u);
    BASS_DX8_REVERB p{};
    ASSERT_TRUE(BASS_FXGetParameters(fx, &p));
    EXPECT_EQ(std::make_tuple(p.fInGain, p.fReverbMix, p.fReverbTime, p.fHighFreqRTRatio),
              std::make_tuple(0.0f, -10.0f, 1000.0f, 0.001f));

    chain.OnReverbTimeMoved(33);
    EXPECT_EQ(settings.ReverbTime, 990);
    EXPECT_EQ(view.captions[EffectsSlider::ReverbTime], "33");
    chain.OnReverbMixMoved(48);
    EXPECT_EQ(settings.ReverbMix, -48);
    EXPECT_EQ(view.captions[EffectsSlider::ReverbMix], "50");
    ASSERT_TRUE(BASS_FXGetParameters(fx, &p));
    EXPECT_FLOAT_EQ(p.fReverbTime, 990.0f);
    EXPECT_FLOAT_EQ(p.fReverbMix, -48.0f);

    chain.OnReverbToggled(false);
    EXPECT_EQ(chain.handles().reverb, 0u);
    EXPECT_FALSE(BASS_FXGetParameters(fx, &p)) << "the reverb is still attached";
}

TEST_F(EffectChainTest, EchoParametersFollowTheSliders) {
    settings.EchoBack = 30;
    settings.EchoDelay = 250;
    chain.OnEchoToggled(true);
    HFX fx = chain.handles().echo;
    ASSERT_NE(fx, 0u);
    BASS_DX8_ECHO p{};
    ASSERT_TRUE(BASS_FXGetParameters(fx, &p));
    EXPECT_EQ(std::make_tuple(p.fWetDryMix, p.fFeedback, p.fLeftDelay, p.fRightDelay, p.lPanDelay),
              std::make_tuple(50.0f, 30.0f, 250.0f, 250.0f, FALSE));

    chain.OnEchoBackMoved(80);
    chain.OnEchoDelayMoved(1500);
    EXPECT_EQ(view.captions[EffectsSlider::EchoBack], "80");
    EXPECT_EQ(view.captions[EffectsSlider::EchoDelay], "75");
    ASSERT_TRUE(BASS_FXGetParameters(fx, &p));
    EXPECT_FLOAT_EQ(p.fFeedback, 80.0f);
    EXPECT_FLOAT_EQ(p.fLeftDelay, 1500.0f);
    EXPECT_FLOAT_EQ(p.fRightDelay, 1500.0f);

    chain.OnEchoToggled(false);
    EXPECT_EQ(chain.handles().echo, 0u);
    EXPECT_FALSE(BASS_FXGetParameters(fx, &p));
}

TEST_F(EffectChainTest, FlangerHasFixedParameters) {
    chain.OnFlangerToggled(true);
    HFX fx = chain.handles().flanger;
    ASSERT_NE(fx, 0u);
    BASS_DX8_FLANGER p{};
    ASSERT_TRUE(BASS_FXGetParameters(fx, &p));
    EXPECT_EQ(
        std::make_tuple(p.fWetDryMix, p.fDepth, p.fFeedback, p.fFrequency, p.lWaveform, p.fDelay, p.lPhase),
        std::make_tuple(50.0f, 100.0f, -50.0f, 0.25f, DWORD{1}, 2.0f, BASS_DX8_PHASE_ZERO));
    chain.OnFlangerToggled(false);
    EXPECT_EQ(chain.handles().flanger, 0u);
    EXPECT_FALSE(BASS_FXGetParameters(fx, &p));
}

TEST_F(EffectChainTest, SettingsMadeWithoutAChannelReachTheNextOne) {
    chain.SetChannel(0, 0);
    chain.OnEqualizerToggled(true);
    chain.OnReverbToggled(true);
    chain.OnEchoToggled(true);
    chain.OnFlangerToggled(true);
    chain.OnSpeedMoved(150);
    chain.OnBalanceMoved(130);
    chain.OnBandMoved(2, 0);
    EXPECT_EQ(chain.handles().equalizer, 0u);
    EXPECT_EQ(chain.handles().reverb, 0u);
    EXPECT_EQ(view.captions[EffectsSlider::Balance], "> 30");

    chain.SetChannel(channel, RateOf(channel));
    chain.ApplyAll();
    EXPECT_NE(chain.handles().equalizer, 0u);
    EXPECT_NE(chain.handles().reverb, 0u);
    EXPECT_NE(chain.handles().echo, 0u);
    EXPECT_NE(chain.handles().flanger, 0u);
    EXPECT_FLOAT_EQ(Band(2).fGain, -12.0f);
    EXPECT_FLOAT_EQ(RateOf(channel), 66150.0f);
    EXPECT_FLOAT_EQ(Pan(channel), 0.3f);
}

TEST_F(EffectChainTest, ANewChannelStartsWithoutEffectsAndTheOldOneKeepsItsOwn) {
    settings.Equilizer_Active = 1;
    settings.Reverb = 1;
    chain.ApplyAll();
    HFX oldReverb = chain.handles().reverb;

    DWORD next = OpenTone();
    chain.SetChannel(next, RateOf(next));
    EXPECT_EQ(chain.handles().equalizer, 0u);
    EXPECT_EQ(chain.handles().reverb, 0u);
    chain.ApplyAll();
    EXPECT_NE(chain.handles().reverb, 0u);
    EXPECT_NE(chain.handles().reverb, oldReverb);

    // Turning reverb off now concerns the new channel only.
    chain.OnReverbToggled(false);
    BASS_DX8_REVERB p{};
    EXPECT_TRUE(BASS_FXGetParameters(oldReverb, &p));
}

TEST_F(EffectChainTest, FillViewShowsTheStoredValues) {
    settings.Equilizer_Preset = 7;
    settings.Equilizer_Pan[6] = 217;
    settings.ReverbTime = 1000;
    settings.ReverbMix = -48;
    settings.Equalizer_Panel = 70;
    settings.EchoDelay = 2000;
    settings.Echo = 1;
    ASSERT_TRUE(BASS_SetVolume(0.75f));
    chain.FillView();
    EXPECT_EQ(view.preset, 7);
    EXPECT_EQ(view.bands[6], 217);
    EXPECT_EQ(view.bandsEnabled, 0);
    EXPECT_EQ(view.checks, (std::map<EffectsCheckBox, bool>{{EffectsCheckBox::Equalizer, false},
                                                            {EffectsCheckBox::Reverb, false},
                                                            {EffectsCheckBox::Echo, true},
                                                            {EffectsCheckBox::Flanger, false}}));
    EXPECT_EQ(view.sliders[EffectsSlider::ReverbTime], 33);
    EXPECT_EQ(view.captions[EffectsSlider::ReverbTime], "33");
    EXPECT_EQ(view.sliders[EffectsSlider::ReverbMix], 48);
    EXPECT_EQ(view.captions[EffectsSlider::ReverbMix], "50");
    EXPECT_EQ(view.sliders[EffectsSlider::Balance], 70);
    EXPECT_EQ(view.captions[EffectsSlider::Balance], "30 <");
    EXPECT_EQ(view.captions[EffectsSlider::EchoDelay], "100");
    EXPECT_EQ(view.sliders[EffectsSlider::SystemVolume], 75);
    EXPECT_EQ(view.captions[EffectsSlider::SystemVolume], "0.75");
}

TEST_F(EffectChainTest, SystemVolumeSliderSetsTheEngineVolume) {
    chain.OnSystemVolumeMoved(40);
    EXPECT_NEAR(BASS_GetVolume(), 0.40f, 1e-6);
    EXPECT_EQ(view.captions[EffectsSlider::SystemVolume], "0.40");
}

TEST_F(EffectChainTest, WorksWithoutAnOpenWindow) {
    chain.SetView(nullptr);
    settings.Equilizer_Active = 1;
    chain.ApplyAll();
    chain.OnPresetChosen(3);  // "Dance"
    chain.OnSpeedMoved(50);
    chain.OnReverbMixMoved(10);
    chain.OnSystemVolumeMoved(20);
    const decltype(settings.Equilizer_Pan) dance = {179, 164, 137, 120, 120, 84, 72, 72, 120, 120};
    EXPECT_EQ(settings.Equilizer_Pan, dance);
    EXPECT_TRUE(view.captions.empty());
}

}  // namespace
}  // namespace sonvaro
