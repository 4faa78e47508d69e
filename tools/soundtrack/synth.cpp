#include "soundtrack/synth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr double twoPi = 6.283185307179586;

// A fixed-seed generator per instrument keeps every render byte-identical.
struct Noise {
  uint32_t state;
  explicit Noise(uint32_t seed) : state(seed) {}
  double Next() {  // -1..1
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state) * (2.0 / 4294967295.0) - 1.0;
  }
};

// Band-pass biquad, 0 dB at the centre frequency.
struct BandPass {
  double b0 = 0, b2 = 0, a1 = 0, a2 = 0;
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  void Set(double centre, double q, double rate) {
    double w = twoPi * centre / rate;
    double alpha = std::sin(w) / (2.0 * q);
    double a0 = 1.0 + alpha;
    b0 = alpha / a0;
    b2 = -alpha / a0;
    a1 = -2.0 * std::cos(w) / a0;
    a2 = (1.0 - alpha) / a0;
  }
  double Run(double x) {
    double y = b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
  }
};

// One-pole high-pass.
struct HighPass {
  double a = 0, prevX = 0, prevY = 0;
  void Set(double cutoff, double rate) {
    double rc = 1.0 / (twoPi * cutoff);
    a = rc / (rc + 1.0 / rate);
  }
  double Run(double x) {
    double y = a * (prevY + x - prevX);
    prevX = x;
    prevY = y;
    return y;
  }
};

Wave Frames(double seconds) { return Wave(static_cast<size_t>(seconds * oneShotRate), 0.0); }

// Short fades at both ends keep one-shots free of clicks.
void Declick(Wave& w, int fadeIn, int fadeOut) {
  int n = static_cast<int>(w.size());
  for (int i = 0; i < fadeIn && i < n; ++i) w[i] *= static_cast<double>(i) / fadeIn;
  for (int i = 0; i < fadeOut && i < n; ++i) w[n - 1 - i] *= static_cast<double>(i) / fadeOut;
}

}  // namespace

Wave SynthKick() {
  // A sine falling from 150 to 45 Hz, gone in 300 ms, with a short click on top.
  Wave w = Frames(0.3);
  double phase = 0;
  for (size_t i = 0; i < w.size(); ++i) {
    double t = i / oneShotRate;
    double f = 45.0 + 105.0 * std::exp(-t / 0.035);
    phase += twoPi * f / oneShotRate;
    double body = std::sin(phase) * std::exp(-t / 0.085);
    double click = std::exp(-t / 0.0015) * 0.35;
    w[i] = body + click * std::sin(phase * 7.0);
  }
  Declick(w, 0, 400);
  return w;
}

Wave SynthSnare() {
  // Band-passed noise over 180 ms and a 190 Hz blip for the body.
  Wave w = Frames(0.18);
  Noise noise(0x5a17e1u);
  BandPass bp;
  bp.Set(1900.0, 0.7, oneShotRate);
  for (size_t i = 0; i < w.size(); ++i) {
    double t = i / oneShotRate;
    double hiss = bp.Run(noise.Next()) * std::exp(-t / 0.045) * 1.6;
    double blip = std::sin(twoPi * 190.0 * t) * std::exp(-t / 0.03) * 0.7;
    w[i] = hiss + blip;
  }
  Declick(w, 8, 400);
  return w;
}

Wave SynthClap() {
  // Three bursts 11 ms apart, then a short tail.
  Wave w = Frames(0.22);
  Noise noise(0xc1a9u);
  BandPass bp;
  bp.Set(1250.0, 1.1, oneShotRate);
  for (size_t i = 0; i < w.size(); ++i) {
    double t = i / oneShotRate;
    double env = 0;
    for (int k = 0; k < 3; ++k) {
      double s = t - 0.011 * k;
      if (s >= 0) env = std::max(env, std::exp(-s / 0.004));
    }
    if (t >= 0.022) env = std::max(env, 0.6 * std::exp(-(t - 0.022) / 0.06));
    w[i] = bp.Run(noise.Next()) * env * 2.4;
  }
  Declick(w, 8, 400);
  return w;
}

Wave SynthHat(double decaySeconds) {
  // High-passed noise; 35 ms closed, 220 ms open.
  double length = std::min(0.5, decaySeconds * 3.0 + 0.02);
  Wave w = Frames(length);
  Noise noise(0x4a7u + static_cast<uint32_t>(decaySeconds * 1000));
  HighPass hp1, hp2;
  hp1.Set(6500.0, oneShotRate);
  hp2.Set(6500.0, oneShotRate);
  for (size_t i = 0; i < w.size(); ++i) {
    double t = i / oneShotRate;
    w[i] = hp2.Run(hp1.Run(noise.Next())) * std::exp(-t / (decaySeconds / 3.0)) * 1.5;
  }
  Declick(w, 4, 200);
  return w;
}

Wave SynthCrash() {
  // Noise with a few inharmonic partials, dying away over 2 s.
  Wave w = Frames(2.0);
  Noise noise(0xc4a5u);
  HighPass hp;
  hp.Set(3000.0, oneShotRate);
  const double partials[] = {3370.0, 4610.0, 5890.0, 7320.0, 8830.0};
  for (size_t i = 0; i < w.size(); ++i) {
    double t = i / oneShotRate;
    double ring = 0;
    for (int k = 0; k < 5; ++k) ring += std::sin(twoPi * partials[k] * t + k) * 0.08;
    w[i] = (hp.Run(noise.Next()) + ring) * std::exp(-t / 0.55);
  }
  Declick(w, 6, 2000);
  return w;
}

Wave SynthReversedCrash(double seconds) {
  // The crash played backwards: a swell that stops dead at its peak.
  Wave crash = SynthCrash();
  size_t n = std::min(crash.size(), static_cast<size_t>(seconds * oneShotRate));
  Wave w(crash.begin(), crash.begin() + static_cast<long>(n));
  std::reverse(w.begin(), w.end());
  Declick(w, 2000, 64);
  return w;
}

Wave SynthRiser() {
  // 2 s of noise swelling while its band sweeps up from 300 Hz to 5 kHz.
  Wave w = Frames(2.0);
  Noise noise(0x215e4u);
  BandPass bp;
  for (size_t i = 0; i < w.size(); ++i) {
    double t = i / oneShotRate;
    double x = t / 2.0;
    if (i % 64 == 0) bp.Set(300.0 * std::pow(5000.0 / 300.0, x), 2.5, oneShotRate);
    w[i] = bp.Run(noise.Next()) * x * x * 3.0;
  }
  Declick(w, 64, 800);
  return w;
}

Wave SynthCrackle() {
  // Sparse clicks of random size over a faint hiss, 1.5 s.
  Wave w = Frames(1.5);
  Noise noise(0xc7ac1eu);
  HighPass hp;
  hp.Set(1500.0, oneShotRate);
  double click = 0;
  for (size_t i = 0; i < w.size(); ++i) {
    double t = i / oneShotRate;
    double r = noise.Next();
    if (r > 0.9985) click = (noise.Next() > 0 ? 1.0 : -1.0) * (0.4 + 0.6 * std::fabs(noise.Next()));
    click *= 0.93;
    w[i] = (click + hp.Run(noise.Next()) * 0.08) * std::min(1.0, (1.5 - t) * 2.0);
  }
  Declick(w, 32, 400);
  return w;
}

Wave SynthTick() {
  // 12 ms metallic tick: three inharmonic sines.
  Wave w = Frames(0.012);
  for (size_t i = 0; i < w.size(); ++i) {
    double t = i / oneShotRate;
    double s = std::sin(twoPi * 3100.0 * t) + 0.8 * std::sin(twoPi * 4730.0 * t) +
               0.6 * std::sin(twoPi * 6910.0 * t);
    w[i] = s * std::exp(-t / 0.0035) * 0.5;
  }
  Declick(w, 4, 32);
  return w;
}

Wave SynthBell() {
  // Two-operator FM, modulator at 3.5 times the carrier, index falling from 3
  // to 0 over 2 s: bright at the strike, pure as it dies.
  const double f = 523.2511306011972;  // C-5
  Wave w = Frames(2.0);
  for (size_t i = 0; i < w.size(); ++i) {
    double t = i / oneShotRate;
    double index = 3.0 * (1.0 - t / 2.0);
    double mod = std::sin(twoPi * 3.5 * f * t) * index;
    w[i] = std::sin(twoPi * f * t + mod) * std::exp(-t / 0.6);
  }
  Declick(w, 16, 1000);
  return w;
}

Wave SynthArp() {
  // Odd harmonics (a soft square) with a 250 ms decay.
  const double f = 523.2511306011972;  // C-5
  Wave w = Frames(0.3);
  for (size_t i = 0; i < w.size(); ++i) {
    double t = i / oneShotRate;
    double s = 0;
    for (int k = 1; k <= 9; k += 2) s += std::sin(twoPi * k * f * t) / k;
    w[i] = s * std::exp(-t / 0.08);
  }
  Declick(w, 16, 600);
  return w;
}

Wave SynthBassLoop() {
  // 10 saw harmonics at 1/k^2: round, with a little edge. Whole cycles only.
  Wave w(loopFrames, 0.0);
  for (int k = 1; k <= 10; ++k) {
    double amp = 1.0 / (k * k);
    for (int i = 0; i < loopFrames; ++i)
      w[i] += amp * std::sin(twoPi * k * 256.0 * i / loopFrames);
  }
  return w;
}

Wave SynthPadLoop() {
  // Three voices at 255, 256 and 257 cycles per loop (a gentle chorus) with eight
  // harmonics each; every partial completes whole cycles, so the loop is seamless.
  Wave w(loopFrames, 0.0);
  Noise noise(0x9ad0u);
  const int cycles[3] = {255, 256, 257};
  for (int v = 0; v < 3; ++v) {
    for (int k = 1; k <= 8; ++k) {
      double amp = 1.0 / (k * std::sqrt(static_cast<double>(k)));
      double phase = (noise.Next() + 1.0) * 3.14159;
      double step = twoPi * k * cycles[v] / loopFrames;
      for (int i = 0; i < loopFrames; ++i) w[i] += amp * std::sin(step * i + phase);
    }
  }
  return w;
}

Wave SynthWindLoop() {
  // Band-limited noise as a sum of whole-cycle sines with random phases, so it
  // loops without a seam. Played at C-6 the band sits around 250-1500 Hz.
  Wave w(loopFrames, 0.0);
  Noise noise(0x317du);
  for (int c = 60; c <= 360; ++c) {
    double amp = std::exp(-std::pow(std::log(c / 160.0), 2.0) * 2.0);
    double phase = (noise.Next() + 1.0) * 3.14159;
    double step = twoPi * c / loopFrames;
    for (int i = 0; i < loopFrames; ++i) w[i] += amp * std::sin(step * i + phase);
  }
  return w;
}

std::vector<int16_t> ToFrames(const Wave& wave, double peak) {
  double largest = 1e-12;
  for (double v : wave) largest = std::max(largest, std::fabs(v));
  std::vector<int16_t> frames(wave.size());
  double scale = peak * 32767.0 / largest;
  for (size_t i = 0; i < wave.size(); ++i)
    frames[i] = static_cast<int16_t>(std::lround(wave[i] * scale));
  return frames;
}
