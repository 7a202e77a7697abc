#include "cdgen/Sounds.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace umbraxis {

namespace {

constexpr double kPi = 3.14159265358979323846;

class Random {
public:
    explicit Random(std::uint32_t seed)
        : m_state(seed ? seed : 1u)
    {
    }
    // Uniform in [-1, 1).
    double next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return double(m_state) / 2147483648.0 - 1.0;
    }

private:
    std::uint32_t m_state;
};

// A second-order filter with the usual cookbook coefficients.
class Biquad {
public:
    enum Kind { LowPass, HighPass, BandPass };
    Biquad(Kind kind, double freq, double q, int rate) { set(kind, freq, q, rate); }
    void set(Kind kind, double freq, double q, int rate)
    {
        const double w = 2 * kPi * std::min(freq, rate * 0.45) / rate;
        const double alpha = std::sin(w) / (2 * q);
        const double c = std::cos(w);
        double b0 = 0, b1 = 0, b2 = 0;
        switch (kind) {
        case LowPass:
            b0 = (1 - c) / 2;
            b1 = 1 - c;
            b2 = (1 - c) / 2;
            break;
        case HighPass:
            b0 = (1 + c) / 2;
            b1 = -(1 + c);
            b2 = (1 + c) / 2;
            break;
        case BandPass:
            b0 = alpha;
            b1 = 0;
            b2 = -alpha;
            break;
        }
        const double a0 = 1 + alpha;
        m_b0 = b0 / a0;
        m_b1 = b1 / a0;
        m_b2 = b2 / a0;
        m_a1 = -2 * c / a0;
        m_a2 = (1 - alpha) / a0;
    }
    double process(double x)
    {
        const double y = m_b0 * x + m_b1 * m_x1 + m_b2 * m_x2 - m_a1 * m_y1 - m_a2 * m_y2;
        m_x2 = m_x1;
        m_x1 = x;
        m_y2 = m_y1;
        m_y1 = y;
        return y;
    }

private:
    double m_b0 = 0, m_b1 = 0, m_b2 = 0, m_a1 = 0, m_a2 = 0;
    double m_x1 = 0, m_x2 = 0, m_y1 = 0, m_y2 = 0;
};

using Buffer = std::vector<double>;

Buffer silence(double seconds, int rate)
{
    return Buffer(size_t(std::lround(seconds * rate)), 0.0);
}

// Adds a struck metal part: decaying partials at the given frequencies.
void addModes(Buffer& out, int rate, double at, const std::vector<double>& freqs, double amplitude, double decay,
              std::uint32_t seed)
{
    Random rnd(seed);
    const size_t start = size_t(at * rate);
    for (size_t k = 0; k < freqs.size(); ++k) {
        const double f = freqs[k] * (1 + 0.01 * rnd.next());
        const double a = amplitude * (0.6 + 0.4 * std::abs(rnd.next())) / (1 + 0.4 * k);
        const double tau = decay * (1.0 - 0.5 * double(k) / freqs.size());
        const double phase = kPi * rnd.next();
        for (size_t i = start; i < out.size(); ++i) {
            const double t = double(i - start) / rate;
            const double env = std::exp(-t / tau);
            if (env < 1e-4)
                break;
            out[i] += a * env * std::sin(2 * kPi * f * t + phase);
        }
    }
}

// Adds a short burst of filtered noise.
void addNoiseBurst(Buffer& out, int rate, double at, double amplitude, double decay, Biquad filter, std::uint32_t seed)
{
    Random rnd(seed);
    const size_t start = size_t(at * rate);
    for (size_t i = start; i < out.size(); ++i) {
        const double t = double(i - start) / rate;
        const double env = std::exp(-t / decay) * std::min(1.0, t * rate / 8.0 + 0.2);
        if (t > decay * 10)
            break;
        out[i] += amplitude * env * filter.process(rnd.next());
    }
}

// Adds a low body thump whose pitch sags as it dies away.
void addThump(Buffer& out, int rate, double at, double freq, double amplitude, double decay)
{
    const size_t start = size_t(at * rate);
    double phase = 0;
    for (size_t i = start; i < out.size(); ++i) {
        const double t = double(i - start) / rate;
        const double env = std::exp(-t / decay);
        if (env < 1e-4)
            break;
        phase += 2 * kPi * freq * (1 + 0.8 * std::exp(-t / 0.01)) / rate;
        out[i] += amplitude * env * std::sin(phase);
    }
}

QVector<qint16> toSamples(Buffer buffer, double peak = 0.85, bool fadeOut = true)
{
    double top = 1e-9;
    for (double v : buffer)
        top = std::max(top, std::abs(v));
    QVector<qint16> samples;
    samples.reserve(qsizetype(buffer.size()));
    const size_t fade = fadeOut ? std::min<size_t>(buffer.size() / 4, 64) : 0;
    for (size_t i = 0; i < buffer.size(); ++i) {
        double v = buffer[i] / top * peak;
        // A few samples of fade at the end keep the cue from stopping with a click.
        if (fade > 0 && i + fade >= buffer.size())
            v *= double(buffer.size() - 1 - i) / double(fade);
        samples.append(qint16(std::clamp(std::lround(v * 32767.0), -32768L, 32767L)));
    }
    return samples;
}

} // namespace

QVector<qint16> synthGunCock(int rate)
{
    Buffer out = silence(0.55, rate);
    // Slide pulled back.
    addNoiseBurst(out, rate, 0.02, 0.9, 0.004, Biquad(Biquad::BandPass, 3200, 1.2, rate), 11);
    addModes(out, rate, 0.02, {1850, 3120, 4700, 6900}, 0.35, 0.03, 12);
    addThump(out, rate, 0.02, 170, 0.35, 0.03);
    // Metal scraping along the rails in between.
    {
        Random rnd(13);
        Biquad bp(Biquad::BandPass, 2400, 2.0, rate);
        for (size_t i = size_t(0.05 * rate); i < size_t(0.24 * rate); ++i) {
            const double t = double(i) / rate;
            const double hump = std::sin(kPi * (t - 0.05) / 0.19);
            const double ratchet = 0.5 + 0.5 * std::abs(std::sin(2 * kPi * 45 * t));
            out[i] += 0.18 * hump * ratchet * bp.process(rnd.next());
        }
    }
    // Slide slamming home.
    addNoiseBurst(out, rate, 0.26, 1.0, 0.005, Biquad(Biquad::BandPass, 2600, 0.9, rate), 14);
    addModes(out, rate, 0.26, {1420, 2610, 3930, 5640, 8020}, 0.55, 0.06, 15);
    addThump(out, rate, 0.26, 120, 0.6, 0.05);
    return toSamples(out);
}

QVector<qint16> synthRicochet(int rate)
{
    Buffer out = silence(0.85, rate);
    addNoiseBurst(out, rate, 0.0, 1.0, 0.006, Biquad(Biquad::HighPass, 1500, 0.7, rate), 21);
    addModes(out, rate, 0.0, {2900, 5100}, 0.25, 0.02, 22);
    Random rnd(23);
    double phase = 0;
    for (size_t i = size_t(0.008 * rate); i < out.size(); ++i) {
        const double t = double(i) / rate - 0.008;
        const double freq = (900 + 2900 * std::exp(-t * 1.6)) * (1 + 0.035 * std::sin(2 * kPi * 17 * t));
        phase += 2 * kPi * freq / rate;
        const double env = std::min(1.0, t / 0.012) * std::exp(-t * 3.4);
        out[i] += 0.55 * env * (std::sin(phase) + 0.28 * std::sin(2 * phase) + 0.05 * rnd.next());
    }
    return toSamples(out);
}

QVector<qint16> synthSightGrowl(int rate)
{
    const double length = 0.95;
    Buffer out = silence(length, rate);
    Random rnd(31);
    Biquad f1(Biquad::BandPass, 380, 3, rate);
    Biquad f2(Biquad::BandPass, 900, 4, rate);
    Biquad f3(Biquad::BandPass, 2300, 5, rate);
    Biquad smooth(Biquad::LowPass, 3200, 0.7, rate);
    double phase = 0;
    double jitter = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / rate;
        if (i % 64 == 0) {
            // The first formant opens as the growl turns into a roar.
            const double open = std::sin(kPi * std::min(1.0, t / length));
            f1.set(Biquad::BandPass, 340 + 320 * open, 3, rate);
            f2.set(Biquad::BandPass, 820 + 260 * open, 4, rate);
        }
        jitter = 0.995 * jitter + 0.03 * rnd.next();
        const double f0 = 66 + 26 * std::sin(kPi * t / length) + 6 * jitter;
        phase += f0 / rate;
        phase -= std::floor(phase);
        const double saw = 2 * phase - 1;
        const double rough = 1 + 0.65 * std::sin(2 * kPi * 27 * t + 3 * jitter);
        const double source = saw * rough + 0.35 * rnd.next();
        const double voiced = 1.0 * f1.process(source) + 0.7 * f2.process(source) + 0.35 * f3.process(source);
        const double env = std::min(1.0, t / 0.12) * std::min(1.0, (length - t) / 0.22);
        out[i] = smooth.process(voiced * env);
    }
    return toSamples(out);
}

QVector<qint16> synthBounce(int rate)
{
    Buffer out = silence(0.75, rate);
    const double hits[][2] = {{0.0, 1.0}, {0.24, 0.62}, {0.41, 0.4}, {0.53, 0.24}, {0.61, 0.12}};
    std::uint32_t seed = 41;
    for (const auto& hit : hits) {
        addNoiseBurst(out, rate, hit[0], 0.5 * hit[1], 0.003, Biquad(Biquad::BandPass, 1800, 0.8, rate), seed++);
        addModes(out, rate, hit[0], {640, 1370, 2230, 3480}, 0.45 * hit[1], 0.05, seed++);
        addThump(out, rate, hit[0], 95, 0.8 * hit[1], 0.045);
    }
    return toSamples(out);
}

QVector<qint16> synthRadioChirp(int rate)
{
    Buffer out = silence(0.38, rate);
    Random rnd(51);
    Biquad squelchFilter(Biquad::BandPass, 1800, 0.7, rate);
    Biquad radioLow(Biquad::HighPass, 320, 0.7, rate);
    Biquad radioHigh(Biquad::LowPass, 3000, 0.7, rate);
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / rate;
        double v = 0;
        const double squelch = (t < 0.05 ? 1.0 - t / 0.05 : 0.0) + (t > 0.30 && t < 0.36 ? 0.6 : 0.0);
        v += 0.7 * squelch * squelchFilter.process(rnd.next());
        double freq = 0;
        if (t >= 0.055 && t < 0.135)
            freq = 1250;
        else if (t >= 0.145 && t < 0.27)
            freq = 1650 + 300 * (t - 0.145) / 0.125;
        if (freq > 0) {
            phase += 2 * kPi * freq / rate;
            const double tone = std::tanh(2.2 * std::sin(phase));
            v += 0.55 * tone + 0.06 * rnd.next();
        }
        out[i] = radioHigh.process(radioLow.process(v));
    }
    return toSamples(out, 0.8);
}

QVector<qint16> synthMarchLoop(int rate, double* seconds)
{
    const double bpm = 120;
    const double step = 60.0 / bpm / 4; // sixteenth notes
    // X accent, x stroke, r buzz roll, . rest; the loop ends on rests so the drums have
    // died away when it wraps round to the first stroke.
    const char* bars[] = {"X.xxX.xxXxxxX...", "X.xxX.xxrrrrX.x.", "X..xX..xXxXxX..."};
    const int bassSteps[] = {0, 8};
    const int barCount = 3;
    const double length = barCount * 16 * step;
    if (seconds)
        *seconds = length;
    const size_t n = size_t(std::lround(length * rate));
    Buffer out(n, 0.0);
    Random rnd(61);

    // Every stroke is written modulo the loop length, so a tail that runs past the end
    // continues at the start exactly as it would when the loop repeats.
    auto snare = [&](double at, double velocity) {
        Biquad snares(Biquad::BandPass, 3600, 0.9, rate);
        Biquad crisp(Biquad::HighPass, 900, 0.7, rate);
        const size_t start = size_t(std::lround(at * rate));
        for (size_t k = 0; k < size_t(0.45 * rate); ++k) {
            const double t = double(k) / rate;
            const double noise = rnd.next();
            const double body = 0.8 * std::exp(-t / 0.03)
                * (std::sin(2 * kPi * 188 * t) + 0.5 * std::sin(2 * kPi * 331 * t));
            const double rattle = std::exp(-t / 0.075) * (0.9 * snares.process(noise) + 0.6 * crisp.process(noise));
            out[(start + k) % n] += velocity * (body + rattle) * std::min(1.0, t * rate / 6.0);
        }
    };
    auto bass = [&](double at, double velocity) {
        const size_t start = size_t(std::lround(at * rate));
        double phase = 0;
        for (size_t k = 0; k < size_t(0.6 * rate); ++k) {
            const double t = double(k) / rate;
            phase += 2 * kPi * (58 + 50 * std::exp(-t / 0.02)) / rate;
            out[(start + k) % n] += velocity * 1.3 * std::exp(-t / 0.11) * std::sin(phase)
                * std::min(1.0, t * rate / 20.0);
        }
    };

    for (int bar = 0; bar < barCount; ++bar) {
        for (int s = 0; s < 16; ++s) {
            const double at = (bar * 16 + s) * step + 0.004 * std::abs(rnd.next());
            const char c = bars[bar][s];
            // The very first stroke gets no grace note: it would sit at the loop's seam.
            if (c == 'X' && (bar > 0 || s > 0))
                snare(at - 0.024, 0.28);
            if (c == 'X')
                snare(at, 1.0);
            else if (c == 'x')
                snare(at, 0.5 + 0.08 * rnd.next());
            else if (c == 'r')
                for (int k = 0; k < 4; ++k)
                    snare(at + k * step / 4, 0.3 + 0.05 * k);
        }
        for (int s : bassSteps)
            bass((bar * 16 + s) * step, 1.0);
    }
    return toSamples(out, 0.85, false);
}

QList<CdSound> synthesiseCdSounds(SoundQuality quality)
{
    const bool low = quality == SoundQuality::EightBit11k;
    const int rate = low ? 11025 : 22050;
    QList<CdSound> sounds;
    WavFormat pcm16;
    pcm16.encoding = low ? WavEncoding::Pcm8 : WavEncoding::Pcm16;
    pcm16.sampleRate = rate;
    sounds.append({QStringLiteral("sounds/guncock.wav"), synthGunCock(rate), pcm16});
    sounds.append({QStringLiteral("sounds/ric3.wav"), synthRicochet(rate), pcm16});
    sounds.append({QStringLiteral("sounds/dsight.wav"), synthSightGrowl(rate), pcm16});
    sounds.append({QStringLiteral("sounds/bounce.wav"), synthBounce(rate), pcm16});
    WavFormat radio;
    radio.encoding = WavEncoding::Pcm8;
    radio.sampleRate = 11025;
    sounds.append({QStringLiteral("sounds/talk.wav"), synthRadioChirp(11025), radio});
    sounds.append({QStringLiteral("sounds/military.wav"), synthMarchLoop(rate), pcm16});
    return sounds;
}

QByteArray synthIntroSoundTrack(int rate, double seconds)
{
    // A low rumble that swells and a rising whine over it, loud all the way.
    const int count = int(rate * seconds);
    QByteArray track(count, char(128));
    quint32 noise = 12345;
    double rumble = 0;
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / rate;
        noise = noise * 1664525u + 1013904223u;
        const double white = double(noise >> 8) / double(1u << 24) * 2 - 1;
        rumble = rumble * 0.97 + white * 0.03;
        const double whine = std::sin(2 * kPi * (300 + 120 * t) * t);
        const double value = 0.55 * rumble * 8 + 0.35 * whine;
        track[i] = char(std::clamp(int(std::lround(128 + 110 * std::clamp(value, -1.0, 1.0))), 0, 255));
    }
    return track;
}

} // namespace umbraxis
