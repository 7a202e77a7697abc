#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace umbraxis::test {

// The sample CD, written once per test run into a temporary folder.
const QString& sampleCdRoot();

QByteArray readAll(const QString& path);

inline quint16 le16(const QByteArray& b, qsizetype at)
{
    return quint16(quint8(b[at]) | (quint8(b[at + 1]) << 8));
}

inline quint32 le32(const QByteArray& b, qsizetype at)
{
    return quint32(le16(b, at)) | (quint32(le16(b, at + 2)) << 16);
}

// A chunk of a RIFF file: its id, where its data starts and how long it is.
struct RiffChunk {
    QByteArray id;
    qsizetype data = 0;
    quint32 size = 0;
};

// Finds the first chunk with the given id among the chunks from `from` to `to`.
bool findChunk(const QByteArray& file, qsizetype from, qsizetype to, const char* id, RiffChunk* chunk);

} // namespace umbraxis::test
