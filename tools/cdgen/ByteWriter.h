#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace umbraxis {

// Appends little-endian values to a growing byte buffer, as the RIFF and BMP
// formats store them, and patches sizes once they are known.
class ByteWriter {
public:
    void u8(quint8 v) { m_data.append(char(v)); }
    void u16(quint16 v)
    {
        u8(quint8(v & 0xFF));
        u8(quint8(v >> 8));
    }
    void i16(qint16 v) { u16(quint16(v)); }
    void u32(quint32 v)
    {
        u16(quint16(v & 0xFFFF));
        u16(quint16(v >> 16));
    }
    void i32(qint32 v) { u32(quint32(v)); }
    void bytes(const QByteArray& b) { m_data.append(b); }
    void bytes(const char* fourcc) { m_data.append(fourcc); }

    void patchU32(qsizetype at, quint32 v)
    {
        for (int i = 0; i < 4; ++i)
            m_data[at + i] = char((v >> (8 * i)) & 0xFF);
    }

    qsizetype size() const { return m_data.size(); }
    const QByteArray& data() const { return m_data; }

private:
    QByteArray m_data;
};

} // namespace umbraxis
