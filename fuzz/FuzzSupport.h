#pragma once

// What the fuzz targets share: the input as the readers take it, a reader of
// structured inputs, the one application object the toolkit's text and
// picture code needs, and the check that stops a run on a broken promise.

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace umbraxis::fuzz {

inline QByteArray bytesOf(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Takes an input apart into numbers and strings, front to back; an input that
// runs out gives zeros and empty strings.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }

    bool atEnd() const { return m_at >= m_size; }
    std::uint8_t byte() { return atEnd() ? 0 : m_data[m_at++]; }
    std::uint32_t word()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | byte();
        return value;
    }
    // A string of up to `most` bytes, its length given by the next byte (or
    // two when `most` is over 255).
    QByteArray bytes(int most)
    {
        const int length = most > 255 ? (byte() << 8 | byte()) % (most + 1) : byte() % (most + 1);
        const std::size_t take = std::min<std::size_t>(std::size_t(length), m_size - std::min(m_at, m_size));
        QByteArray out(reinterpret_cast<const char*>(m_data + m_at), qsizetype(take));
        m_at += take;
        return out;
    }
    QByteArray rest()
    {
        QByteArray out = m_at < m_size
            ? QByteArray(reinterpret_cast<const char*>(m_data + m_at), qsizetype(m_size - m_at))
            : QByteArray();
        m_at = m_size;
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// Counts an outcome of a library the fuzzer cannot see into (the toolkit's
// picture decoders, the sound library), so that inputs it treats differently
// count as different inputs and stay in the corpus.
void noteOutcome(unsigned outcome);
// The outcome of a count, by its order of magnitude.
inline unsigned magnitude(qint64 value)
{
    unsigned bits = 0;
    for (; value > 0; value >>= 1)
        ++bits;
    return bits;
}

// Makes the program's application object, off screen, once.
void ensureGuiApplication();

// Ends the run: the fuzzer keeps the input that broke `what`.
[[noreturn]] void fail(const char* what, const char* file, int line);

} // namespace umbraxis::fuzz

#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::umbraxis::fuzz::fail(#condition, __FILE__, __LINE__);                                                    \
    } while (false)
