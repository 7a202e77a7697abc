#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace umbraxis {

class FileSystem;

// The program's one pseudo-random generator (splitmix64). The splash and
// about screens reseed it from the clock before a showing's first tip; later
// tips draw the next numbers of the running sequence.
class TipRandom {
public:
    TipRandom() = default;
    explicit TipRandom(quint64 seed)
        : m_state(seed)
    {
    }

    // Seeds from the time of day in milliseconds.
    void reseedFromClock();
    void seed(quint64 value) { m_state = value; }

    // Uniform on 0 <= r < 1 at 53-bit resolution.
    double next();

private:
    quint64 m_state = 0;
};

// The tips file, one tip per line, relative to the CD's root.
inline constexpr const char* TipsFile = "text\\tips.txt";

// A tip from the tips file for a fresh number of `random`. The file is
// reopened and reread on every pick. A missing file raises "File not found",
// any other failure to open or read it "I/O error <code>".
QString PickTip(FileSystem& files, TipRandom& random);

// The tip that PickTip chooses for the number r (0 <= r < 1).
//
// The file is read as text through a reader that fetches 128-byte blocks only
// when it needs a byte beyond those it holds. With B whole blocks in the file
// and P whole blocks fetched so far, lines are read while P / B < r, and the
// last line read is the tip: the choice is weighted by how many block starts
// a line's reading crosses. A line ends at a CR; an LF right after the CR is
// consumed with it, any other LF belongs to the text. A byte 26 ends the data.
//
// A file shorter than one block counts as one block, so its first line is the
// tip for every r > 0. Reading stops with the current tip once the reader is
// at the end of its data, so that a byte 26 early in the file cannot keep the
// loop waiting for blocks that are never fetched.
QString pickTipWith(FileSystem& files, double r);

// The same choice over bytes already in memory, without the file.
QString pickTipFromBytes(const QByteArray& bytes, double r);

} // namespace umbraxis
