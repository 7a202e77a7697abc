#include "screens/Tips.h"

#include "platform/AppError.h"
#include "platform/FileReading.h"

#include <QTime>
#include <cerrno>

namespace umbraxis {

void TipRandom::reseedFromClock()
{
    seed(quint64(QTime::currentTime().msecsSinceStartOfDay()));
}

double TipRandom::next()
{
    m_state += 0x9E3779B97F4A7C15ull;
    quint64 x = m_state;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    return double(x >> 11) * 0x1p-53;
}

namespace {

constexpr qsizetype BlockSize = 128;
constexpr char LineEnd = 13;
constexpr char LineFeed = 10;
constexpr char EndOfData = 26;

// Reads lines out of the file's bytes the way a text file with a 128-byte
// buffer does, counting the blocks it has had to fetch on the way.
class BlockReader {
public:
    explicit BlockReader(const QByteArray& bytes)
        : m_bytes(bytes)
    {
    }

    // Whole blocks fetched so far; a file shorter than one block counts as
    // one once it has been fetched.
    qsizetype blocksFetched() const
    {
        if (m_bytes.size() < BlockSize)
            return m_fetched > 0 ? 1 : 0;
        return m_fetched / BlockSize;
    }

    // Whole blocks in the file, at least one.
    qsizetype blocksInFile() const { return qMax<qsizetype>(m_bytes.size() / BlockSize, 1); }

    // The reader stands at the end of the file or in front of a byte 26 it
    // has already fetched. It only knows what it has fetched: a byte 26 at the
    // start of a block not yet fetched is found by the next line's reading.
    bool atEnd() const
    {
        return m_position >= m_bytes.size() || (m_position < m_fetched && m_bytes[m_position] == EndOfData);
    }

    QByteArray readLine()
    {
        QByteArray line;
        for (;;) {
            const int c = peek();
            if (c < 0 || c == EndOfData)
                return line;
            ++m_position;
            if (c == LineEnd) {
                if (peek() == LineFeed)
                    ++m_position;
                return line;
            }
            line.append(char(c));
        }
    }

private:
    // The byte at the position, fetching its block first when needed; -1 at
    // the end of the file.
    int peek()
    {
        if (m_position >= m_bytes.size())
            return -1;
        if (m_position >= m_fetched)
            m_fetched = qMin(m_fetched + BlockSize, m_bytes.size());
        return static_cast<unsigned char>(m_bytes[m_position]);
    }

    const QByteArray& m_bytes;
    qsizetype m_fetched = 0;
    qsizetype m_position = 0;
};

QByteArray readTipsFile(FileSystem& files, const QString& path)
{
    QByteArray content;
    const int code = readWholeFile(files, path, content);
    if (code == ENOENT)
        throw AppError(QStringLiteral("File not found"));
    if (code != 0)
        throw AppError(formatMessage(QStringLiteral("I/O error %d"), QString::number(code)));
    return content;
}

} // namespace

QString pickTipFromBytes(const QByteArray& bytes, double r)
{
    BlockReader reader(bytes);
    const double blocks = double(reader.blocksInFile());
    QByteArray tip;
    while (double(reader.blocksFetched()) / blocks < r && !reader.atEnd())
        tip = reader.readLine();
    return QString::fromLatin1(tip);
}

QString pickTipWith(FileSystem& files, double r)
{
    return pickTipFromBytes(readTipsFile(files, QString::fromLatin1(TipsFile)), r);
}

QString PickTip(FileSystem& files, TipRandom& random)
{
    const double r = random.next();
    return pickTipWith(files, r);
}

} // namespace umbraxis
