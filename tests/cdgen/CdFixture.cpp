#include "CdFixture.h"

#include "cdgen/SampleCd.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace umbraxis::test {

const QString& sampleCdRoot()
{
    static std::unique_ptr<QTemporaryDir> dir;
    static QString root;
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        root = dir->filePath(QStringLiteral("cd"));
        writeSampleCd(root);
    }
    return root;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool findChunk(const QByteArray& file, qsizetype from, qsizetype to, const char* id, RiffChunk* chunk)
{
    qsizetype at = from;
    while (at + 8 <= to && at + 8 <= file.size()) {
        const QByteArray name = file.mid(at, 4);
        const quint32 size = le32(file, at + 4);
        if (name == id) {
            chunk->id = name;
            chunk->data = at + 8;
            chunk->size = size;
            return true;
        }
        at += 8 + size + (size % 2);
    }
    return false;
}

} // namespace umbraxis::test
