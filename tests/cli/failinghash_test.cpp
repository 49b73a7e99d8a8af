#include "cli/guardedrun.h"
#include "cli/options.h"
#include "cli/searchcommand.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// This program's HashContent fails on every picture (failingcrypto.cpp).
TEST(FailingHash, EndsTheSearchWithStatusOneAndSaysWhy)
{
    QTemporaryDir dir;
    QImage picture(320, 240, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(dir.filePath("a.jpg"), "jpg", 90));
    ASSERT_TRUE(QFile::copy(dir.filePath("a.jpg"), dir.filePath("b.jpg")));
    const QByteArray folder = QFile::encodeName(dir.path()) + '/';
    const Options options = ParseOptions({ "--quiet", "--store", folder + "store.sqlite", folder }, "/").Values;

    testing::internal::CaptureStderr();
    EXPECT_EQ(RunGuarded([&] { return RunSearch(options); }), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
        "quorvane-cli: SHA-256: " QUORVANE_LIBCRYPTO_FILE " cannot compute it\n");
}
