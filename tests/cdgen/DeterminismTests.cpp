#include "CdFixture.h"

#include "cdgen/SampleCd.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace umbraxis;
using namespace umbraxis::test;

TEST(SampleCd, IsTheSameOnEveryRun)
{
    QTemporaryDir temp;
    const QString second = temp.filePath(QStringLiteral("cd"));
    writeSampleCd(second);
    const QDir first(sampleCdRoot());
    int files = 0;
    QDirIterator it(second, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(second).relativeFilePath(path);
        SCOPED_TRACE(relative.toStdString());
        EXPECT_EQ(readAll(path), readAll(first.filePath(relative)));
        ++files;
    }
    EXPECT_GT(files, 60);
}
