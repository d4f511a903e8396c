// What each effect makes of one fixed input, sample for sample: the values
// below were recorded once from the effects, and any faster way of computing
// the same sound keeps them within float rounding. The input comes in blocks
// of uneven sizes, with a parameter change half-way through, so block edges,
// glides, crossfades and the delay lines' wrap are all met.
//
// The equalizer's margin is wider: its low bands' poles sit close to 1, where
// float coefficients and states are coarse, and a double-precision cascade of
// the same bands already differs from the float one by a few 1e-4.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/bass_fx.h"
#include "engine/effect/effect.h"

namespace {

using sonvaro::audio::CreateEffect;
using sonvaro::audio::Effect;

constexpr unsigned kRate = 44100;
constexpr std::size_t kFrames = 66150;  // 1.5 s
constexpr std::size_t kChange = kFrames / 2;
constexpr int kPoints = 48;
constexpr std::size_t kSpacing = 1373;  // frames between the compared samples
constexpr double kTolerance = 1e-4;
constexpr double kEqualizerTolerance = 5e-4;

// Noise, a low tone and a 50 ms burst near full scale (which reaches the
// reverb's ceiling and the echo's soft knee), the same on every run.
std::vector<float> Input() {
    std::vector<float> x(kFrames * 2);
    std::uint32_t seed = 12345;
    auto noise = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(seed >> 8) / 16777216.0f * 2.0f - 1.0f;
    };
    for (std::size_t i = 0; i < kFrames; ++i) {
        const float tone = 0.3f * static_cast<float>(std::sin(2 * M_PI * 220.0 * i / kRate));
        const bool burst = i >= 22050 && i < 24255;
        x[2 * i] = burst ? 0.95f * (i % 50 < 25 ? 1.0f : -1.0f) : tone + 0.2f * noise();
        x[2 * i + 1] = burst ? 0.9f * (i % 64 < 32 ? 1.0f : -1.0f) : 0.5f * tone + 0.25f * noise();
    }
    return x;
}

struct Stage {
    std::unique_ptr<Effect> fx;
};

struct Case {
    const char* name;
    std::function<void(std::vector<Stage>&)> setUp;
    std::function<void(std::vector<Stage>&)> change;  // at kChange; may be empty
    float expect[kPoints][2];
    unsigned rate = kRate;
};

// The rate the effects of the case being rendered run at.
unsigned renderRate = kRate;

std::unique_ptr<Effect> Make(DWORD type) {
    auto fx = CreateEffect(type, renderRate);
    EXPECT_NE(fx, nullptr);
    return fx;
}

void RockEq(std::vector<Stage>& s) {
    const float centres[10] = {31, 63, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
    const int rock[10] = {168, 149, 84, 69, 95, 145, 175, 187, 187, 187};
    s.push_back({Make(BASS_FX_BFX_PEAKEQ)});
    for (int i = 0; i < 10; ++i) {
        BASS_BFX_PEAKEQ p{i, 2.5f, 0.0f, centres[i], rock[i] / 10.0f - 12.0f, BASS_BFX_CHANALL};
        ASSERT_TRUE(s.back().fx->SetParameters(&p));
    }
}

template <typename T>
void Add(std::vector<Stage>& s, DWORD type, T params) {
    s.push_back({Make(type)});
    ASSERT_TRUE(s.back().fx->SetParameters(&params));
}

template <typename T>
void Set(std::vector<Stage>& s, std::size_t at, T params) {
    ASSERT_TRUE(s[at].fx->SetParameters(&params));
}

std::vector<float> Render(const Case& c) {
    std::vector<Stage> stages;
    renderRate = c.rate;
    c.setUp(stages);
    std::vector<float> x = Input();
    // Uneven blocks, as callers may give them.
    const std::size_t sizes[] = {512, 1, 7, 441, 64, 1024, 33, 2000, 256, 129};
    std::size_t at = 0, k = 0;
    bool changed = false;
    while (at < kFrames) {
        if (!changed && at >= kChange) {
            if (c.change) c.change(stages);
            changed = true;
        }
        std::size_t n = std::min(sizes[k++ % std::size(sizes)], kFrames - at);
        if (!changed) n = std::min(n, kChange - at);
        for (auto& s : stages) s.fx->Process(x.data() + 2 * at, n);
        at += n;
    }
    return x;
}

void Check(const Case& c, double tolerance = kTolerance) {
    SCOPED_TRACE(c.name);
    const std::vector<float> out = Render(c);
    double worst = 0;
    for (float v : out) ASSERT_TRUE(std::isfinite(v));
    std::string actual;
    for (int i = 0; i < kPoints; ++i) {
        const std::size_t f = 17 + static_cast<std::size_t>(i) * kSpacing;
        for (int side = 0; side < 2; ++side)
            worst = std::max(worst, std::fabs(double(out[2 * f + side]) - c.expect[i][side]));
        char row[64];
        std::snprintf(row, sizeof row, "{%.6ff, %.6ff},%s", out[2 * f], out[2 * f + 1],
                      i % 4 == 3 ? "\n" : " ");
        actual += row;
    }
    EXPECT_LE(worst, tolerance) << "rendered now:\n" << actual;
}

TEST(EffectRender, Equalizer) {
    Check({"rock preset, gliding in from flat",
           RockEq,
           nullptr,
           {{-0.044241f, 0.244308f},  {-1.073949f, 0.487351f},  {-1.219953f, 1.510321f},
            {-1.322711f, -0.988071f}, {-1.335553f, -0.109167f}, {0.174716f, -2.253532f},
            {1.024672f, -0.828213f},  {-0.750915f, -0.631569f}, {-0.351454f, -0.963154f},
            {0.046017f, 1.367209f},   {-0.177088f, -0.749768f}, {-0.770423f, 0.637265f},
            {1.528030f, 0.328141f},   {1.503234f, -0.411922f},  {-0.129376f, 1.123477f},
            {-0.046669f, 0.383952f},  {-0.695554f, -0.791934f}, {-0.642872f, -0.516894f},
            {0.080051f, -0.598491f},  {-0.816627f, 0.986365f},  {0.991245f, -0.078017f},
            {0.066862f, 0.071060f},   {-0.275384f, 0.718392f},  {0.648008f, 0.804774f},
            {-0.435978f, 0.794031f},  {-0.372587f, 0.232746f},  {0.664423f, -0.332455f},
            {-0.015327f, -1.236158f}, {-1.047382f, 1.410231f},  {-0.960349f, 0.130312f},
            {-0.620928f, -1.196471f}, {1.012155f, 1.768812f},   {0.840107f, -0.473942f},
            {-0.147699f, -0.119883f}, {0.936755f, 1.453086f},   {-0.844191f, 0.537897f},
            {-0.041302f, -1.004417f}, {-0.282407f, -0.321507f}, {-1.064280f, -0.739503f},
            {-0.787765f, 0.078892f},  {-1.026881f, 0.304816f},  {0.635902f, -0.781470f},
            {0.646191f, 0.448351f},   {0.937973f, -0.039769f},  {1.251488f, -1.823398f},
            {0.217633f, -0.344853f},  {-0.249140f, 0.276966f},  {2.076858f, 0.313459f}}},
          kEqualizerTolerance);
    Check({"bands per side, then one moved and one added",
           [](std::vector<Stage>& s) {
               s.push_back({Make(BASS_FX_BFX_PEAKEQ)});
               BASS_BFX_PEAKEQ a{0, 0.0f, 0.7f, 300.0f, 10.0f, BASS_BFX_CHAN1};
               BASS_BFX_PEAKEQ b{1, 1.0f, 0.0f, 3000.0f, -12.0f, BASS_BFX_CHAN2};
               BASS_BFX_PEAKEQ c{2, 2.0f, 0.0f, 12000.0f, 6.0f, BASS_BFX_CHANALL};
               for (auto* p : {&a, &b, &c}) ASSERT_TRUE(s.back().fx->SetParameters(p));
           },
           [](std::vector<Stage>& s) {
               Set(s, 0, BASS_BFX_PEAKEQ{1, 1.0f, 0.0f, 3000.0f, 4.0f, BASS_BFX_CHAN2});
               Set(s, 0, BASS_BFX_PEAKEQ{7, 3.0f, 0.0f, 80.0f, -8.0f, BASS_BFX_CHANALL});
           },
           {{-0.037800f, 0.245912f},  {-0.297770f, 0.314355f},  {-0.925114f, -0.214820f},
            {-0.962723f, -0.270797f}, {-0.379461f, 0.248943f},  {0.711338f, 0.172757f},
            {0.874020f, -0.078547f},  {0.248212f, -0.040304f},  {-0.566910f, -0.415936f},
            {-0.658693f, -0.087061f}, {-0.676027f, -0.120863f}, {-0.174290f, 0.303452f},
            {0.868344f, -0.042557f},  {0.795980f, 0.169390f},   {0.011672f, -0.102940f},
            {-0.447196f, -0.334861f}, {-0.881516f, -0.452906f}, {0.678293f, -0.899741f},
            {0.529427f, 0.053624f},   {0.512321f, 0.086086f},   {0.809232f, -0.247584f},
            {0.014426f, -0.111024f},  {-0.756664f, -0.109885f}, {-0.615552f, 0.023950f},
            {-0.359244f, 0.292435f},  {0.301841f, -0.041573f},  {0.307074f, -0.017474f},
            {0.313854f, -0.309306f},  {-0.327621f, 0.218115f},  {-0.585101f, -0.186561f},
            {-0.654397f, -0.142129f}, {0.094512f, 0.421030f},   {0.332103f, -0.128037f},
            {0.298383f, 0.095236f},   {0.538720f, 0.282111f},   {-0.414099f, 0.360696f},
            {-0.616568f, -0.236329f}, {-0.668484f, -0.157965f}, {-0.165127f, 0.108774f},
            {0.176641f, 0.040053f},   {0.464790f, 0.229202f},   {0.435669f, -0.181691f},
            {-0.069068f, 0.302312f},  {-0.216228f, 0.163511f},  {-0.006025f, -0.490308f},
            {-0.063360f, -0.126200f}, {0.229739f, 0.180275f},   {0.596508f, -0.150501f}}},
          kEqualizerTolerance);
    Check({"a wide high band swept from full cut to full boost",
           [](std::vector<Stage>& s) {
               s.push_back({Make(BASS_FX_BFX_PEAKEQ)});
               BASS_BFX_PEAKEQ low{0, 1.0f, 0.0f, 100.0f, 3.0f, BASS_BFX_CHANALL};
               BASS_BFX_PEAKEQ high{1, 3.0f, 0.0f, 8000.0f, -15.0f, BASS_BFX_CHANALL};
               for (auto* p : {&low, &high}) ASSERT_TRUE(s.back().fx->SetParameters(p));
           },
           [](std::vector<Stage>& s) {
               Set(s, 0, BASS_BFX_PEAKEQ{1, 3.0f, 0.0f, 8000.0f, 15.0f, BASS_BFX_CHANALL});
           },
           {{-0.035359f, 0.238241f},  {-0.233902f, -0.019836f}, {-0.373087f, -0.238695f},
            {-0.121929f, -0.172177f}, {0.152465f, 0.146144f},   {0.411438f, 0.072038f},
            {0.119643f, -0.039663f},  {-0.017910f, -0.060219f}, {-0.312745f, -0.215649f},
            {-0.285959f, -0.022994f}, {-0.111458f, 0.054399f},  {0.217224f, 0.137426f},
            {0.355705f, 0.071911f},   {0.057562f, -0.018815f},  {-0.296420f, -0.070015f},
            {-0.322865f, -0.133128f}, {-0.168738f, -0.169421f}, {0.232592f, -0.905093f},
            {0.348509f, 0.085866f},   {0.256279f, 0.022767f},   {0.046625f, -0.099373f},
            {-0.296720f, -0.200713f}, {-0.279964f, -0.190964f}, {-0.135210f, -0.028144f},
            {0.125102f, 0.102528f},   {0.382008f, 0.141990f},   {0.173775f, 0.053561f},
            {-0.083531f, -0.210611f}, {-0.652983f, 0.204888f},  {-0.579662f, -0.261813f},
            {-0.809840f, -0.558988f}, {0.937293f, 1.138084f},   {0.383194f, -0.262408f},
            {0.079628f, 0.269639f},   {0.566883f, 0.886336f},   {-0.464200f, 0.180940f},
            {-0.406363f, -0.376775f}, {-0.381076f, -0.101758f}, {-0.337299f, 0.238137f},
            {-0.258718f, 0.176068f},  {-0.221956f, 0.249081f},  {0.501191f, -0.503795f},
            {-0.106031f, 0.403855f},  {0.329606f, 0.058034f},   {0.545552f, -0.779592f},
            {0.140801f, -0.164682f},  {-0.003536f, 0.339812f},  {0.907429f, -0.331038f}}},
          kEqualizerTolerance);
}

TEST(EffectRender, EqualizerTakesUpTo32BandsAndStaysFinite) {
    // 32 wide bands at full boost on the loud input: every stage's gain
    // multiplies into the product the cascade is scaled by, which must stay
    // in range; a 33rd band is refused and changes nothing.
    auto eq = Make(BASS_FX_BFX_PEAKEQ);
    for (int i = 0; i < 32; ++i) {
        BASS_BFX_PEAKEQ p{i, 4.0f, 0.0f, 1000.0f + 500.0f * i, 15.0f, BASS_BFX_CHANALL};
        ASSERT_TRUE(eq->SetParameters(&p)) << i;
    }
    BASS_BFX_PEAKEQ extra{32, 1.0f, 0.0f, 100.0f, 15.0f, BASS_BFX_CHANALL};
    EXPECT_FALSE(eq->SetParameters(&extra));
    EXPECT_FALSE(eq->GetParameters(&extra));
    BASS_BFX_PEAKEQ again{5, 4.0f, 0.0f, 3500.0f, -15.0f, BASS_BFX_CHANALL};
    EXPECT_TRUE(eq->SetParameters(&again));  // a band it has can still change
    std::vector<float> x = Input();
    for (std::size_t at = 0; at < kFrames; at += 512)
        eq->Process(x.data() + 2 * at, std::min<std::size_t>(512, kFrames - at));
    double peak = 0;
    for (float v : x) {
        ASSERT_TRUE(std::isfinite(v));
        peak = std::max(peak, double(std::fabs(v)));
    }
    EXPECT_GT(peak, 1.0);  // boosted, not silenced
}

TEST(EffectRender, Reverb) {
    Check({"the player's setting",
           [](auto& s) {
               Add(s, BASS_FX_DX8_REVERB, BASS_DX8_REVERB{0, -10, 1000, 0.001f});
           },
           nullptr,
           {{0.181593f, 0.307338f},   {0.007944f, -0.021961f},  {-0.276565f, -0.399951f},
            {-0.198149f, -0.030256f}, {0.020452f, 0.024363f},   {0.180104f, 0.317421f},
            {0.191050f, 0.268715f},   {0.029948f, 0.071472f},   {-0.287868f, -0.259688f},
            {-0.426418f, -0.048481f}, {-0.328153f, -0.035875f}, {0.170178f, 0.090050f},
            {0.107951f, 0.145251f},   {0.234012f, 0.114420f},   {-0.060760f, -0.259945f},
            {-0.145169f, -0.142001f}, {-0.422131f, -0.263477f}, {0.953545f, -0.905287f},
            {0.312769f, 0.164742f},   {0.465236f, 0.215356f},   {0.031632f, 0.130740f},
            {-0.301687f, 0.140550f},  {-0.247055f, -0.206282f}, {-0.293992f, 0.092417f},
            {0.137593f, -0.038083f},  {0.190757f, 0.253357f},   {0.373351f, -0.100687f},
            {-0.105243f, -0.133680f}, {-0.034419f, 0.010261f},  {-0.229636f, -0.133747f},
            {-0.323075f, -0.087160f}, {-0.017573f, 0.164581f},  {0.399262f, 0.161376f},
            {0.327344f, 0.141280f},   {0.116715f, 0.034311f},   {-0.432852f, -0.246323f},
            {-0.453869f, -0.138722f}, {0.114476f, -0.069016f},  {0.223369f, 0.169920f},
            {0.255519f, 0.284893f},   {0.085162f, -0.033328f},  {-0.295981f, -0.312405f},
            {-0.176521f, -0.011555f}, {-0.113779f, 0.016604f},  {-0.120601f, 0.066433f},
            {0.295253f, 0.094267f},   {0.254488f, 0.344792f},   {0.065606f, 0.121648f}}});
    Check({"long and bright, then the mix raised",
           [](auto& s) {
               Add(s, BASS_FX_DX8_REVERB, BASS_DX8_REVERB{-3, -6, 2500, 0.9f});
           },
           [](auto& s) {
               Set(s, 0, BASS_DX8_REVERB{-3, 0, 2500, 0.9f});
           },
           {{0.181593f, 0.307338f},   {0.007907f, -0.021997f},  {-0.277732f, -0.398862f},
            {-0.197918f, -0.031713f}, {0.019582f, 0.024845f},   {0.178574f, 0.313198f},
            {0.194314f, 0.269657f},   {0.034478f, 0.074925f},   {-0.292391f, -0.252177f},
            {-0.422764f, -0.040989f}, {-0.317453f, -0.046052f}, {0.175166f, 0.091385f},
            {0.111220f, 0.144103f},   {0.230374f, 0.114037f},   {-0.065559f, -0.256888f},
            {-0.146290f, -0.132557f}, {-0.417074f, -0.265662f}, {0.950626f, -0.907289f},
            {0.304582f, 0.168897f},   {0.449259f, 0.216645f},   {0.032677f, 0.125844f},
            {-0.321212f, 0.133896f},  {-0.242239f, -0.190722f}, {-0.273574f, 0.074968f},
            {0.130818f, -0.028783f},  {0.154902f, 0.273668f},   {0.414077f, -0.102664f},
            {-0.110020f, -0.142348f}, {-0.068616f, 0.051188f},  {-0.211672f, -0.123621f},
            {-0.307976f, -0.073253f}, {-0.029136f, 0.142044f},  {0.389346f, 0.145517f},
            {0.347743f, 0.148291f},   {0.094301f, 0.052062f},   {-0.447395f, -0.262977f},
            {-0.431326f, -0.130322f}, {0.131073f, -0.085585f},  {0.195162f, 0.154105f},
            {0.283684f, 0.257788f},   {0.061656f, -0.025468f},  {-0.320366f, -0.302159f},
            {-0.152283f, 0.004990f},  {-0.096583f, 0.026396f},  {-0.131089f, 0.055870f},
            {0.290514f, 0.064500f},   {0.252517f, 0.353662f},   {0.061599f, 0.134681f}}});
    // At a low rate the combs are shorter than the part the reverb works on at once.
    Check({"the player's setting at 8 kHz",
           [](auto& s) {
               Add(s, BASS_FX_DX8_REVERB, BASS_DX8_REVERB{0, -10, 1000, 0.001f});
           },
           nullptr,
           {{0.181593f, 0.307338f},   {0.004634f, -0.029666f},  {-0.309577f, -0.428818f},
            {-0.231521f, -0.056968f}, {0.064847f, 0.066613f},   {0.263261f, 0.389391f},
            {0.206995f, 0.280226f},   {0.007373f, 0.028152f},   {-0.299766f, -0.273455f},
            {-0.466855f, -0.088079f}, {-0.368346f, -0.035991f}, {0.195748f, 0.135210f},
            {0.183548f, 0.203689f},   {0.231819f, 0.088811f},   {-0.095320f, -0.304961f},
            {-0.197935f, -0.183998f}, {-0.450968f, -0.287224f}, {0.944732f, -0.911563f},
            {0.328675f, 0.209876f},   {0.415326f, 0.156379f},   {0.061354f, 0.072564f},
            {-0.258193f, 0.082699f},  {-0.272325f, -0.271756f}, {-0.347262f, 0.113491f},
            {0.133905f, 0.040149f},   {0.198096f, 0.263926f},   {0.409450f, -0.136529f},
            {-0.110515f, -0.149996f}, {-0.057777f, -0.017515f}, {-0.300683f, -0.162631f},
            {-0.340705f, -0.066500f}, {0.012443f, 0.215012f},   {0.437058f, 0.186431f},
            {0.346868f, 0.138821f},   {0.099600f, -0.000991f},  {-0.484796f, -0.289040f},
            {-0.509534f, -0.166697f}, {0.126096f, -0.050964f},  {0.271767f, 0.221797f},
            {0.303514f, 0.301975f},   {0.102872f, -0.057260f},  {-0.322955f, -0.352200f},
            {-0.232845f, -0.069046f}, {-0.139422f, 0.013092f},  {-0.093255f, 0.111823f},
            {0.359485f, 0.170502f},   {0.287573f, 0.372996f},   {0.045660f, 0.093402f}},
           8000});
}

TEST(EffectRender, Echo) {
    Check({"the player's setting, then other delays",
           [](auto& s) {
               Add(s, BASS_FX_DX8_ECHO, BASS_DX8_ECHO{50, 30, 300, 300, FALSE});
           },
           [](auto& s) {
               Set(s, 0, BASS_DX8_ECHO{50, 30, 120, 170, FALSE});
           },
           {{0.090797f, 0.153669f},   {0.003897f, -0.011054f},  {-0.140758f, -0.197760f},
            {-0.096516f, -0.015361f}, {0.012455f, 0.009776f},   {0.090971f, 0.158153f},
            {0.098185f, 0.135908f},   {0.017518f, 0.032692f},   {-0.136980f, -0.125866f},
            {-0.213629f, -0.026426f}, {-0.331488f, -0.155095f}, {0.177503f, 0.026296f},
            {0.141510f, 0.050492f},   {0.156195f, 0.071698f},   {0.016850f, -0.120660f},
            {-0.156808f, -0.151159f}, {-0.416874f, -0.137717f}, {0.462804f, -0.518128f},
            {0.235250f, 0.219482f},   {0.455374f, 0.133277f},   {0.180829f, 0.022183f},
            {-0.278304f, -0.048887f}, {-0.250992f, -0.280126f}, {-0.228104f, 0.001167f},
            {0.187429f, 0.025239f},   {0.084568f, -0.078547f},  {-0.010658f, -0.194788f},
            {-0.192922f, -0.084370f}, {0.066050f, 0.021649f},   {-0.070506f, -0.011661f},
            {-0.082344f, -0.033916f}, {-0.127325f, -0.041788f}, {0.133015f, -0.027591f},
            {0.069573f, 0.014904f},   {0.080958f, 0.099234f},   {-0.168719f, -0.170086f},
            {-0.117246f, -0.056614f}, {0.124238f, -0.039163f},  {0.101102f, -0.063326f},
            {0.030277f, 0.107920f},   {-0.063866f, -0.110853f}, {-0.130389f, -0.268592f},
            {0.098252f, 0.015720f},   {-0.022238f, 0.138408f},  {0.067511f, 0.002606f},
            {0.144236f, 0.023123f},   {0.017044f, 0.092773f},   {0.010469f, 0.059322f}}});
    Check({"sides swapped at full feedback",
           [](auto& s) {
               Add(s, BASS_FX_DX8_ECHO, BASS_DX8_ECHO{40, 100, 50, 75, TRUE});
           },
           nullptr,
           {{0.108956f, 0.184403f},   {0.004677f, -0.013264f},  {-0.352518f, -0.237312f},
            {-0.280015f, 0.113638f},  {0.043853f, 0.097117f},   {0.108585f, 0.007897f},
            {-0.048432f, -0.046354f}, {0.046232f, 0.138129f},   {-0.040848f, 0.112865f},
            {-0.237756f, -0.044775f}, {-0.354399f, -0.138133f}, {0.039199f, 0.085410f},
            {0.296507f, 0.192349f},   {0.094960f, 0.019157f},   {-0.112379f, -0.160940f},
            {0.005427f, 0.122685f},   {-0.142905f, 0.148969f},  {0.379043f, -0.677889f},
            {-0.181620f, 0.053412f},  {-0.103565f, 0.482771f},  {0.092920f, -0.275775f},
            {-0.549048f, -0.209876f}, {0.104893f, 0.205051f},   {-0.540283f, -0.087553f},
            {0.248629f, 0.136150f},   {0.120327f, 0.345193f},   {0.071155f, -0.009403f},
            {0.273563f, -0.173618f},  {-0.145128f, -0.304671f}, {-0.271975f, -0.295301f},
            {-0.103694f, 0.070523f},  {-0.250467f, 0.175177f},  {0.517287f, -0.221045f},
            {0.061893f, 0.182952f},   {-0.076365f, 0.259625f},  {0.006872f, -0.243472f},
            {-0.458256f, 0.190431f},  {0.322760f, 0.157716f},   {0.461925f, 0.068779f},
            {-0.140577f, 0.101344f},  {-0.092397f, 0.161458f},  {-0.143674f, -0.256094f},
            {0.164674f, 0.011830f},   {0.180789f, 0.165376f},   {-0.320646f, -0.166390f},
            {0.244533f, 0.090108f},   {-0.090040f, 0.021412f},  {0.302571f, -0.164167f}}});
}

TEST(EffectRender, Flanger) {
    Check({"the player's setting",
           [](auto& s) {
               Add(s, BASS_FX_DX8_FLANGER, BASS_DX8_FLANGER{50, 100, -50, 0.25f, 1, 2, BASS_DX8_PHASE_ZERO});
           },
           nullptr,
           {{0.090797f, 0.153669f},   {-0.163201f, -0.022018f}, {-0.307118f, -0.162762f},
            {-0.068518f, -0.060210f}, {0.142093f, 0.019432f},   {0.231967f, 0.293174f},
            {-0.037969f, 0.013924f},  {-0.198845f, -0.139626f}, {-0.165114f, -0.166300f},
            {-0.309716f, 0.021080f},  {-0.057390f, 0.164138f},  {0.266579f, 0.190851f},
            {0.115655f, 0.078586f},   {-0.057170f, -0.019662f}, {-0.327428f, -0.208690f},
            {-0.208858f, -0.086353f}, {-0.041522f, -0.096394f}, {-0.185528f, -0.635630f},
            {0.206434f, 0.184206f},   {0.108703f, 0.056871f},   {-0.235914f, -0.048251f},
            {-0.231937f, 0.046139f},  {0.039188f, -0.102705f},  {0.098619f, 0.249120f},
            {0.149579f, -0.025830f},  {0.049888f, 0.069915f},   {-0.041202f, -0.216669f},
            {-0.180547f, -0.272518f}, {-0.077387f, -0.038584f}, {0.152339f, 0.124632f},
            {-0.033381f, 0.088247f},  {0.095992f, -0.019910f},  {0.080052f, -0.016270f},
            {-0.168031f, -0.046723f}, {-0.126095f, 0.138097f},  {-0.144779f, -0.149088f},
            {-0.019080f, 0.119220f},  {0.227973f, 0.039968f},   {0.145405f, 0.063350f},
            {-0.060374f, -0.002149f}, {-0.235300f, -0.246710f}, {-0.139232f, -0.142788f},
            {0.025739f, 0.082569f},   {0.118998f, 0.002801f},   {0.104339f, 0.134444f},
            {0.183437f, 0.048366f},   {-0.001131f, -0.022190f}, {-0.261007f, 0.030445f}}});
    Check({"triangle, fast, then shorter and out of phase",
           [](auto& s) {
               Add(s, BASS_FX_DX8_FLANGER, BASS_DX8_FLANGER{70, 60, 80, 5.0f, 0, 4, BASS_DX8_PHASE_90});
           },
           [](auto& s) {
               Set(s, 0, BASS_DX8_FLANGER{70, 60, 80, 5.0f, 0, 0.5f, BASS_DX8_PHASE_NEG_180});
           },
           {{0.054478f, 0.092201f},   {0.073122f, 0.011129f},   {0.078446f, -0.005702f},
            {-0.218890f, -0.034233f}, {-0.227255f, -0.008681f}, {-0.133270f, -0.001265f},
            {0.053846f, -0.209001f},  {-0.293901f, 0.192528f},  {-0.279526f, -0.005789f},
            {-0.103158f, -0.139940f}, {-0.217641f, 0.027356f},  {-0.068880f, 0.275176f},
            {-0.060097f, 0.092420f},  {-0.096790f, -0.029761f}, {0.137350f, 0.061738f},
            {0.017082f, 0.031005f},   {-0.375545f, -0.139376f}, {1.805722f, -0.806286f},
            {-0.477450f, 0.119793f},  {0.072753f, -0.169938f},  {-0.163466f, 0.060838f},
            {-0.046449f, 0.314309f},  {0.113856f, -0.260932f},  {-0.327144f, 0.135416f},
            {0.007792f, -0.295142f},  {0.348521f, 0.343142f},   {0.294232f, -0.135699f},
            {-0.547983f, -0.457048f}, {-0.411614f, -0.302047f}, {0.039558f, -0.005057f},
            {0.229723f, 0.189797f},   {0.335584f, 0.093192f},   {0.567885f, 0.021283f},
            {-0.278551f, -0.063730f}, {-0.383463f, -0.220027f}, {-0.179903f, -0.157671f},
            {-0.133342f, -0.067366f}, {0.562560f, 0.237041f},   {0.704562f, 0.316108f},
            {0.082242f, -0.192513f},  {-0.255711f, -0.018110f}, {-0.264926f, -0.151556f},
            {-0.185719f, -0.239688f}, {0.336580f, 0.516526f},   {0.488452f, 0.323202f},
            {0.549471f, 0.073322f},   {-0.246990f, -0.030707f}, {-0.457760f, -0.279165f}}});
}

TEST(EffectRender, ThePlayersChain) {
    Check({"equalizer, reverb, echo, flanger",
           [](auto& s) {
               RockEq(s);
               Add(s, BASS_FX_DX8_REVERB, BASS_DX8_REVERB{0, -10, 1000, 0.001f});
               Add(s, BASS_FX_DX8_ECHO, BASS_DX8_ECHO{50, 30, 300, 300, FALSE});
               Add(s, BASS_FX_DX8_FLANGER, BASS_DX8_FLANGER{50, 100, -50, 0.25f, 1, 2, BASS_DX8_PHASE_ZERO});
           },
           nullptr,
           {{-0.011060f, 0.061077f},  {-0.502704f, -0.153829f}, {-0.148979f, 0.477894f},
            {-0.100707f, -0.328966f}, {-0.289001f, 0.084797f},  {-0.102716f, -0.604405f},
            {0.605056f, -0.116734f},  {-0.193716f, 0.049510f},  {0.069024f, -0.023474f},
            {-0.105783f, 0.442389f},  {-0.071192f, -0.449659f}, {-0.284570f, 0.054647f},
            {0.767371f, 0.393162f},   {0.526390f, 0.114107f},   {-0.051215f, -0.204572f},
            {0.324962f, 0.507606f},   {-0.332019f, 0.322881f},  {-2.745248f, 0.304274f},
            {-0.943121f, -0.621068f}, {-0.282964f, -0.259146f}, {0.282094f, -0.124557f},
            {-0.489634f, 0.404735f},  {-0.276019f, 0.203707f},  {0.060766f, -0.020969f},
            {0.153988f, 0.054273f},   {-0.325139f, 0.075175f},  {0.378957f, -0.243206f},
            {0.210650f, -0.148642f},  {-0.059740f, 1.067528f},  {0.098263f, -0.100335f},
            {-0.210608f, -0.775475f}, {0.508826f, 0.937344f},   {0.256270f, -0.279801f},
            {-0.741691f, 0.047166f},  {0.294334f, 0.736650f},   {-0.242416f, 0.264209f},
            {-0.136984f, -0.243067f}, {-0.093831f, -0.539075f}, {-0.182129f, -0.060350f},
            {-0.016656f, -0.371118f}, {-0.626569f, 0.388898f},  {-0.007539f, -0.175827f},
            {0.597231f, 0.169608f},   {0.637641f, -0.218059f},  {0.263748f, -0.330620f},
            {0.322985f, -0.356519f},  {-0.510879f, -0.009823f}, {0.406176f, 0.161308f}}},
          kEqualizerTolerance);
}

}  // namespace
