#include "engine/base/rawpathfile.h"
#include "engine/base/wholefileread.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

QByteArray writeFile(const QTemporaryDir &folder, const char *name, const QByteArray &content)
{
    const QByteArray path = QFile::encodeName(folder.filePath(name));
    QFile file(folder.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    return path;
}

QByteArray readWhole(const QByteArray &path)
{
    QFile file;
    QByteArray bytes;
    EXPECT_TRUE(OpenForReading(file, path));
    EXPECT_EQ(ReadWholeFile(file, bytes), TWholeFileRead::Read);
    return bytes;
}

}

// Large files share memory kept between reads: a result still held must never change under a later read.
TEST(WholeFileRead, HeldResultsSurviveLaterReadsOfLargeFiles)
{
    QTemporaryDir folder;
    const QByteArray first(12 * 1024 * 1024, 'a');
    const QByteArray second = QByteArray(10 * 1024 * 1024, 'b') + "end";
    const QByteArray firstPath = writeFile(folder, "first.dng", first);
    const QByteArray secondPath = writeFile(folder, "second.dng", second);
    const QByteArray empty = writeFile(folder, "empty.dng", {});

    const QByteArray held = readWhole(firstPath);
    EXPECT_EQ(readWhole(secondPath), second);
    EXPECT_EQ(held, first);
    EXPECT_EQ(readWhole(firstPath), first);
    EXPECT_EQ(readWhole(secondPath), second);
    EXPECT_TRUE(readWhole(empty).isEmpty());
}
