// The effect chain: equaliser accuracy, echo timing, parameter records, and
// no clicks when effects come and go while playing.
#include <cmath>
#include <cstdint>
#include <string>

#include "support.h"
#include "support/fixtures.h"

namespace {

using support::OfflineEngine;

double Db(double ratio) {
    return 20 * std::log10(ratio);
}

// A 16-bit stereo WAV of a sine tone, written into the fixtures folder.
std::string ToneWav(const char* name, double freq, double amp, double seconds) {
    std::string wav = "RIFF";
    auto le = [&wav](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) wav += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const auto frames = static_cast<std::uint32_t>(support::kRate * seconds);
    le(36 + frames * 4, 4), wav += "WAVEfmt ", le(16, 4), le(1, 2), le(2, 2), le(support::kRate, 4);
    le(support::kRate * 4, 4), le(4, 2), le(16, 2), wav += "data", le(frames * 4, 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        auto v = static_cast<std::int16_t>(
            std::lround(amp * 32767 * std::sin(2 * M_PI * freq * i / support::kRate)));
        le(static_cast<std::uint16_t>(v), 2), le(static_cast<std::uint16_t>(v), 2);
    }
    return fixtures::Write(name, wav);
}

class Effects : public OfflineEngine {
  protected:
    HSTREAM Play(const char* file) {
        HSTREAM h = BASS_StreamCreateFile(FALSE, fixtures::Path(file).c_str(), 0, 0, 0);
        EXPECT_NE(h, 0u);
        EXPECT_TRUE(BASS_ChannelPlay(h, TRUE));
        return h;
    }
    static BASS_BFX_PEAKEQ Band(int band, float center, float gain) {
        return BASS_BFX_PEAKEQ{band, 2.5f, 0.0f, center, gain, BASS_BFX_CHANALL};
    }
};

TEST_F(Effects, PeakEqRaisesItsBandAndLeavesOthers) {
    const int bands[10] = {31, 63, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
    for (auto [file, freq, expectDb, tol] :
         {std::tuple{"sine.wav", 1000.0, 12.0, 0.5}, std::tuple{"low.wav", 100.0, 0.0, 1.0}}) {
        SCOPED_TRACE(file);
        HSTREAM h = Play(file);
        HFX fx = BASS_ChannelSetFX(h, BASS_FX_BFX_PEAKEQ, 1);
        ASSERT_NE(fx, 0u);
        for (int i = 0; i < 10; ++i) {
            auto p = Band(i, bands[i], 0.0f);
            ASSERT_TRUE(BASS_FXSetParameters(fx, &p));
        }
        // Only the 1 kHz band is raised, as the equaliser window's slider does it.
        BASS_BFX_PEAKEQ p{};
        p.lBand = 5;
        ASSERT_TRUE(BASS_FXGetParameters(fx, &p));
        EXPECT_FLOAT_EQ(p.fCenter, 1000.0f);
        EXPECT_FLOAT_EQ(p.fBandwidth, 2.5f);
        p.fGain = 12.0f;
        ASSERT_TRUE(BASS_FXSetParameters(fx, &p));
        Pull(0.5);  // the gain glides to its value
        auto out = Pull(0.5);
        EXPECT_NEAR(Db(support::ToneAmplitude(out, freq, 0) / 0.5), expectDb, tol);
        BASS_StreamFree(h);
    }
}

TEST_F(Effects, PeakEqReadBackOfUnknownBandFails) {
    HSTREAM h = Play("sine.wav");
    HFX fx = BASS_ChannelSetFX(h, BASS_FX_BFX_PEAKEQ, 1);
    BASS_BFX_PEAKEQ p{};
    p.lBand = 3;
    EXPECT_FALSE(BASS_FXGetParameters(fx, &p));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_EQ(BASS_ChannelSetFX(h, 0x12345, 1), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
}

TEST_F(Effects, EchoRepeatsAfterTheSetDelay) {
    HSTREAM h = Play("clicks.wav");
    HFX fx = BASS_ChannelSetFX(h, BASS_FX_DX8_ECHO, 2);
    ASSERT_NE(fx, 0u);
    BASS_DX8_ECHO e{50, 30, 250, 250, FALSE};
    ASSERT_TRUE(BASS_FXSetParameters(fx, &e));
    BASS_DX8_ECHO back{};
    ASSERT_TRUE(BASS_FXGetParameters(fx, &back));
    EXPECT_FLOAT_EQ(back.fLeftDelay, 250);
    EXPECT_FLOAT_EQ(back.fFeedback, 30);
    // Skip the first burst (the effect fades in); look after the one at 1 s.
    auto out = Pull(1.6);
    long burst = support::FirstAbove(out, 0.2f, 44100 - 100);
    ASSERT_GE(burst, 0);
    long echo = support::FirstAbove(out, 0.1f, static_cast<std::size_t>(burst + 4410));
    ASSERT_GE(echo, 0);
    EXPECT_NEAR((echo - burst) / double(support::kRate), 0.25, 0.002);
}

TEST_F(Effects, EchoAtFullFeedbackLevelsOff) {
    // 12 s of a -6 dBFS 1 kHz tone repeats in phase every 500 ms: with all of
    // the output fed back, each repeat would add to the last.
    std::string path = ToneWav("long1k.wav", 1000.0, 0.5, 12.0);
    HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    HFX fx = BASS_ChannelSetFX(h, BASS_FX_DX8_ECHO, 2);
    BASS_DX8_ECHO e{50, 100, 500, 500, FALSE};
    ASSERT_TRUE(BASS_FXSetParameters(fx, &e));
    auto out = Pull(11.9);
    EXPECT_LT(support::Peak(out, 0), 1.0);
    EXPECT_LT(support::Peak(out, 1), 1.0);
    std::vector<float> last(out.end() - support::kRate * 2, out.end());
    EXPECT_LT(support::Peak(last, 0), 0.8);
    // Still an echo: the repeats are louder than the dry half alone.
    EXPECT_GT(support::Peak(last, 0), 0.5);
}

TEST_F(Effects, EchoWithSwappedSidesAlternatesAtEachSidesDelay) {
    // One click on the left at 0.5 s. Swapped, each repeat feeds the other
    // side's line: left after 100 ms, right 150 ms later, left 100 ms after that.
    std::string wav = "RIFF";
    auto le = [&wav](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) wav += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const std::uint32_t frames = support::kRate * 2, click = support::kRate / 2;
    le(36 + frames * 4, 4), wav += "WAVEfmt ", le(16, 4), le(1, 2), le(2, 2), le(support::kRate, 4);
    le(support::kRate * 4, 4), le(4, 2), le(16, 2), wav += "data", le(frames * 4, 4);
    for (std::uint32_t i = 0; i < frames; ++i)
        le(i == click ? 13107 : 0, 2), le(0, 2);  // 0.4 on the left: below the soft knee
    HSTREAM h = BASS_StreamCreateFile(FALSE, fixtures::Write("leftclick.wav", wav).c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    HFX fx = BASS_ChannelSetFX(h, BASS_FX_DX8_ECHO, 2);
    BASS_DX8_ECHO e{50, 50, 100, 150, TRUE};
    ASSERT_TRUE(BASS_FXSetParameters(fx, &e));
    const auto out = Pull(1.5);
    const double a = 13107 / 32768.0, fb = 0.5 * 0.98;  // the loop gain stays below 1 at full feedback
    auto at = [&](double seconds, int side) {
        return out[2 * (click + std::lround(seconds * support::kRate)) + side];
    };
    EXPECT_NEAR(at(0, 0), 0.5 * a, 1e-4);
    EXPECT_NEAR(at(0.1, 0), 0.5 * a, 1e-4);
    EXPECT_NEAR(at(0.1, 1), 0.0, 1e-6);
    EXPECT_NEAR(at(0.25, 1), 0.5 * fb * a, 1e-4);
    EXPECT_NEAR(at(0.25, 0), 0.0, 1e-6);
    EXPECT_NEAR(at(0.35, 0), 0.5 * fb * fb * a, 1e-4);
    EXPECT_NEAR(at(0.5, 1), 0.5 * fb * fb * fb * a, 1e-4);
    EXPECT_NEAR(support::Peak(out, 1), 0.5 * fb * a, 1e-4);  // nothing else on the right
}

TEST_F(Effects, ReverbAndFlangerAcceptTheirRecordsAndKeepSignalFinite) {
    HSTREAM h = Play("sine.wav");
    HFX rev = BASS_ChannelSetFX(h, BASS_FX_DX8_REVERB, 2);
    HFX fl = BASS_ChannelSetFX(h, BASS_FX_DX8_FLANGER, 2);
    ASSERT_TRUE(rev && fl);
    BASS_DX8_REVERB r{0, -10, 1000, 0.001f};
    ASSERT_TRUE(BASS_FXSetParameters(rev, &r));
    BASS_DX8_FLANGER f{50, 100, -50, 0.25f, 1, 2, BASS_DX8_PHASE_ZERO};
    ASSERT_TRUE(BASS_FXSetParameters(fl, &f));
    BASS_DX8_REVERB rb{};
    ASSERT_TRUE(BASS_FXGetParameters(rev, &rb));
    EXPECT_FLOAT_EQ(rb.fReverbTime, 1000);
    auto out = Pull(2.0);
    for (float v : out) ASSERT_TRUE(std::isfinite(v));
    EXPECT_GT(support::Rms(out, 0), 0.1);
    EXPECT_LT(support::Peak(out, 0), 2.0);
}

TEST_F(Effects, ReverbLeavesATailAfterTheSound) {
    HSTREAM h = Play("clicks.wav");
    HFX rev = BASS_ChannelSetFX(h, BASS_FX_DX8_REVERB, 2);
    BASS_DX8_REVERB r{0, 0, 2000, 0.5f};
    ASSERT_TRUE(BASS_FXSetParameters(rev, &r));
    auto out = Pull(1.5);
    // 200 ms after the burst at 1 s the dry signal is silent; the reverb is not.
    std::vector<float> after(out.begin() + 52920 * 2, out.begin() + 57330 * 2);
    EXPECT_GT(support::Rms(after, 0), 1e-3);
}

// Level of both channels together, in dB against a 0.5 amplitude sine (dry sine.wav).
double DbOverDryTone(const std::vector<float>& out) {
    double l = support::Rms(out, 0), r = support::Rms(out, 1);
    return Db(std::sqrt((l * l + r * r) / 2) / (0.5 / std::sqrt(2.0)));
}

std::vector<float> Slice(const std::vector<float>& s, double from, double to) {
    return {s.begin() + static_cast<long>(from * support::kRate) * 2,
            s.begin() + static_cast<long>(to * support::kRate) * 2};
}

TEST_F(Effects, ReverbKeepsASteadyToneNearItsLevelAndBelowFullScale) {
    // A -6 dBFS tone (sine.wav, low.wav) through the reverb at its defaults
    // stays within about a dB of dry; at any allowed setting it never reaches
    // full scale.
    const BASS_DX8_REVERB settings[] = {{0, 0, 1000, 0.001f}, {0, 0, 3000, 0.999f}, {0, 0, 3000, 0.001f},
                                        {0, 0, 0.001f, 0.5f}, {0, 0, 10, 0.999f},   {-96, -96, 1000, 0.5f}};
    for (const char* file : {"sine.wav", "low.wav"}) {
        for (const auto& r : settings) {
            SCOPED_TRACE(testing::Message()
                         << file << " time " << r.fReverbTime << " ratio " << r.fHighFreqRTRatio);
            HSTREAM h = Play(file);
            HFX fx = BASS_ChannelSetFX(h, BASS_FX_DX8_REVERB, 2);
            ASSERT_TRUE(BASS_FXSetParameters(fx, &r));
            auto out = Pull(2.9);
            EXPECT_LT(support::Peak(out, 0), 1.0);
            EXPECT_LT(support::Peak(out, 1), 1.0);
            if (&r == &settings[0]) {
                double level = DbOverDryTone(Slice(out, 1.5, 2.9));
                EXPECT_LT(level, 1.0);
                EXPECT_GT(level, -3.0);
            }
            BASS_StreamFree(h);
        }
    }
}

TEST_F(Effects, ReverbHeldBackWhereDryAndWetWouldClip) {
    // A hot 100 Hz tone (-0.5 dBFS; there the reverb adds to it) with the
    // longest, loudest reverb: the wet part yields so that nothing clips, but
    // is held back, not muted.
    const double amp = 0.944;
    std::string path = ToneWav("hot100.wav", 100.0, amp, 2.0);
    HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    HFX fx = BASS_ChannelSetFX(h, BASS_FX_DX8_REVERB, 2);
    BASS_DX8_REVERB r{0, 0, 3000, 0.999f};
    ASSERT_TRUE(BASS_FXSetParameters(fx, &r));
    auto out = Pull(1.9);
    EXPECT_LT(support::Peak(out, 0), 1.0);
    EXPECT_LT(support::Peak(out, 1), 1.0);
    auto late = Slice(out, 1.0, 1.9);
    EXPECT_GT(std::max(support::Peak(late, 0), support::Peak(late, 1)), amp + 0.02);
}

TEST_F(Effects, ReverbTailFallsBy60DbOverTheSetTime) {
    // Decay time from the Schroeder integral of the tail after a noise burst,
    // the -5..-35 dB slope extended to 60 dB.
    struct Case {
        BASS_DX8_REVERB r;
        double seconds;
    };
    for (const Case& c : {Case{{0, 0, 1000, 0.001f}, 1.0}, Case{{0, 0, 500, 0.999f}, 0.5}}) {
        SCOPED_TRACE(c.seconds);
        HSTREAM h = Play("burst.wav");
        HFX fx = BASS_ChannelSetFX(h, BASS_FX_DX8_REVERB, 2);
        ASSERT_TRUE(BASS_FXSetParameters(fx, &c.r));
        auto out = Pull(2.9);
        std::size_t from = static_cast<std::size_t>(0.51 * support::kRate), n = out.size() / 2;
        std::vector<double> energy(n + 1, 0.0);
        for (std::size_t i = n; i-- > from;)
            energy[i] =
                energy[i + 1] + double(out[2 * i]) * out[2 * i] + double(out[2 * i + 1]) * out[2 * i + 1];
        long at5 = -1, at35 = -1;
        for (std::size_t i = from; i < n && at35 < 0; ++i) {
            double db = 10 * std::log10(energy[i] / energy[from] + 1e-30);
            if (at5 < 0 && db <= -5) at5 = static_cast<long>(i);
            if (db <= -35) at35 = static_cast<long>(i);
        }
        ASSERT_GT(at5, 0);
        ASSERT_GT(at35, at5);
        double rt60 = 2.0 * (at35 - at5) / support::kRate;
        EXPECT_NEAR(rt60, c.seconds, c.seconds * 0.2);
        BASS_StreamFree(h);
    }
}

TEST_F(Effects, AddingAndRemovingWhilePlayingDoesNotClick) {
    // A steady tone through an effect that changes its level a lot: the step
    // between consecutive samples must stay near that of the tone itself.
    HSTREAM h = Play("sine.wav");
    auto maxStep = [](const std::vector<float>& s) {
        double m = 0;
        for (std::size_t i = 1; i < s.size() / 2; ++i)
            m = std::max(m, std::fabs(double(s[i * 2] - s[(i - 1) * 2])));
        return m;
    };
    double toneStep = 0.5 * 2 * M_PI * 1000 / support::kRate;  // largest step of the plain tone
    Pull(0.1);
    HFX fx = BASS_ChannelSetFX(h, BASS_FX_BFX_PEAKEQ, 1);
    auto p = BASS_BFX_PEAKEQ{0, 1.0f, 0.0f, 1000.0f, -15.0f, BASS_BFX_CHANALL};
    ASSERT_TRUE(BASS_FXSetParameters(fx, &p));
    EXPECT_LT(maxStep(Pull(0.3)), toneStep * 1.1);
    p.fGain = 15.0f;
    ASSERT_TRUE(BASS_FXSetParameters(fx, &p));
    EXPECT_LT(maxStep(Pull(0.3)), toneStep * 5.7);  // +15 dB tone
    ASSERT_TRUE(BASS_ChannelRemoveFX(h, fx));
    EXPECT_LT(maxStep(Pull(0.3)), toneStep * 5.7);
    EXPECT_FALSE(BASS_ChannelRemoveFX(h, fx));
    EXPECT_NEAR(support::Peak(Pull(0.1), 0), 0.5, 0.01);
}
}  // namespace

namespace {

// The volume effect: a gain set before the start holds from the first sample
// on, ahead of the equalizer; per side; a change while playing glides.
TEST_F(Effects, VolumeSetBeforeTheStartHoldsFromTheFirstSample) {
    std::string path = ToneWav("vol1k.wav", 1000.0, 0.5, 2.0);
    HSTREAM plain = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_TRUE(BASS_ChannelPlay(plain, TRUE));
    const auto reference = Pull(0.5);
    BASS_StreamFree(plain);

    HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    HFX fx = BASS_ChannelSetFX(h, BASS_FX_BFX_VOLUME, 3);
    ASSERT_NE(fx, 0u);
    const BASS_BFX_VOLUME half{BASS_BFX_CHANALL, 0.5f};
    ASSERT_TRUE(BASS_FXSetParameters(fx, &half));
    BASS_BFX_VOLUME back{};
    ASSERT_TRUE(BASS_FXGetParameters(fx, &back));
    EXPECT_FLOAT_EQ(back.fVolume, 0.5f);
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    const auto out = Pull(0.5);
    ASSERT_EQ(out.size(), reference.size());
    for (std::size_t i = 0; i < out.size(); ++i)
        ASSERT_FLOAT_EQ(out[i], reference[i] * 0.5f) << "sample " << i;

    // Out-of-range or broken values are refused and change nothing.
    for (float bad : {-1.0f, NAN, INFINITY, 1001.0f}) {
        const BASS_BFX_VOLUME p{BASS_BFX_CHANALL, bad};
        EXPECT_FALSE(BASS_FXSetParameters(fx, &p)) << bad;
    }
    ASSERT_TRUE(BASS_FXGetParameters(fx, &back));
    EXPECT_FLOAT_EQ(back.fVolume, 0.5f);

    // One side only, while playing: the right moves, without a jump.
    const BASS_BFX_VOLUME right{BASS_BFX_CHAN2, 2.0f};
    ASSERT_TRUE(BASS_FXSetParameters(fx, &right));
    const auto moved = Pull(0.5);
    const std::vector<float> tail(moved.begin() + support::kRate / 4 * 2, moved.end());
    EXPECT_NEAR(Db(support::ToneAmplitude(tail, 1000.0, 0) / 0.5), Db(0.5), 0.05);
    EXPECT_NEAR(Db(support::ToneAmplitude(tail, 1000.0, 1) / 0.5), Db(2.0), 0.05);
    float jump = 0;
    for (std::size_t i = 1; i < moved.size() / 2; ++i)
        jump = std::max(jump, std::fabs(moved[2 * i + 1] - moved[2 * i - 1]));
    EXPECT_LT(jump, 0.2f);  // a 1 kHz tone at amplitude 1 moves at most 0.14 a sample
}

}  // namespace
