#include "settings/settingsstore.h"
#include "tests/support/faultyfileoperations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

class SettingsFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        path = m_dir.filePath("Quorvane.ini");
    }

    void write(const QByteArray &content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QByteArray read() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QStringList folderEntries() const
    {
        QStringList entries = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        entries.sort();
        return entries;
    }

    QTemporaryDir m_dir;
    QString path;
};

// The fourteen keys that every settings file of earlier versions holds.
const QByteArray kSpecifiedFile = "[Main]\n"
                                  "SearchJPG=1\n"
                                  "SearchBMP=1\n"
                                  "SearchGIF=1\n"
                                  "SearchPNG=1\n"
                                  "SearchTIFF=0\n"
                                  "SearchCR2=0\n"
                                  "SearchSimilar=1\n"
                                  "MoveToRecycle=1\n"
                                  "DeleteWithoutAsking=0\n"
                                  "SearchOnlyIdentical=0\n"
                                  "AutoCheckUpdates=0\n"
                                  "ScanSubfolders=1\n"
                                  "MinPicWidth=100\n"
                                  "MinPicHeight=100\n";

const QByteArray kAddedKeys = "SearchWEBP=1\n"
                              "SearchHEIF=1\n"
                              "SearchJXL=0\n"
                              "SearchRAW=0\n"
                              "SearchRotated=0\n";

const QByteArray kFreshFile = kSpecifiedFile + kAddedKeys;

}

TEST_F(SettingsFile, NoFileGivesTheDefaultsAndCreatesNothing)
{
    const TSettings settings = LoadSettings(path);
    EXPECT_TRUE(settings.SearchJPG && settings.SearchBMP && settings.SearchGIF && settings.SearchPNG);
    EXPECT_FALSE(settings.SearchTIFF || settings.SearchCR2);
    EXPECT_TRUE(settings.SearchSimilar && settings.MoveToRecycle && settings.ScanSubfolders);
    EXPECT_FALSE(settings.DeleteWithoutAsking || settings.SearchOnlyIdentical || settings.AutoCheckUpdates);
    EXPECT_EQ(settings.MinPicWidth, 100);
    EXPECT_EQ(settings.MinPicHeight, 100);
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(SettingsFile, ValuesConvertLikeThirtyTwoBitIntegers)
{
    write("[main]\n"
          "MinPicWidth=-5\n"
          "MinPicHeight= 0x20 \n"
          "SearchTIFF=2\n"
          "SearchJPG=yes\n"
          "SearchBMP=0\n"
          "SearchCR2=0X1f\n"
          "SearchGIF=0x\n"
          "ScanSubfolders=-1\n"
          "AutoCheckUpdates=0xFFFFFFFF\n"
          "SearchOnlyIdentical=99999999999\n");
    TSettings settings = LoadSettings(path);
    EXPECT_EQ(settings.MinPicWidth, 0);
    EXPECT_EQ(settings.MinPicHeight, 32);
    EXPECT_TRUE(settings.SearchTIFF);
    EXPECT_TRUE(settings.SearchJPG);
    EXPECT_FALSE(settings.SearchBMP);
    EXPECT_TRUE(settings.SearchCR2);
    EXPECT_TRUE(settings.SearchGIF); // "0x" alone does not convert: the default
    EXPECT_TRUE(settings.ScanSubfolders);
    EXPECT_TRUE(settings.AutoCheckUpdates);
    EXPECT_FALSE(settings.SearchOnlyIdentical); // out of range: the default

    write("[Main]\nMinPicWidth=abc\nMinPicHeight=0x-5\n");
    settings = LoadSettings(path);
    EXPECT_EQ(settings.MinPicWidth, 100);
    EXPECT_EQ(settings.MinPicHeight, 100);

    // Keys of another section do not count.
    write("[Other]\nMinPicWidth=7\n");
    EXPECT_EQ(LoadSettings(path).MinPicWidth, 100);
}

TEST_F(SettingsFile, NewFileListsAllKeysInTableOrder)
{
    QString error;
    ASSERT_TRUE(SaveSettings(path, TSettings(), &error)) << error.toStdString();
    EXPECT_EQ(read(), kFreshFile);
}

TEST_F(SettingsFile, SaveKeepsOtherLinesInPlaceAndAppendsMissingKeysToTheSection)
{
    write("; kept comment\r\n"
          "[Main]\r\n"
          "searchjpg = 1\r\n"
          "Unknown=keep me\r\n"
          "MINPICWIDTH=5\r\n"
          "\r\n"
          "[Window]\r\n"
          "Left=10\r\n");
    TSettings settings = LoadSettings(path);
    EXPECT_EQ(settings.MinPicWidth, 5);
    settings.SearchJPG = false;
    settings.MinPicWidth = 640;
    QString error;
    ASSERT_TRUE(SaveSettings(path, settings, &error)) << error.toStdString();
    EXPECT_EQ(read(),
        "; kept comment\r\n"
        "[Main]\r\n"
        "searchjpg=0\r\n"
        "Unknown=keep me\r\n"
        "MINPICWIDTH=640\r\n"
        "SearchBMP=1\r\n"
        "SearchGIF=1\r\n"
        "SearchPNG=1\r\n"
        "SearchTIFF=0\r\n"
        "SearchCR2=0\r\n"
        "SearchSimilar=1\r\n"
        "MoveToRecycle=1\r\n"
        "DeleteWithoutAsking=0\r\n"
        "SearchOnlyIdentical=0\r\n"
        "AutoCheckUpdates=0\r\n"
        "ScanSubfolders=1\r\n"
        "MinPicHeight=100\r\n"
        "SearchWEBP=1\r\n"
        "SearchHEIF=1\r\n"
        "SearchJXL=0\r\n"
        "SearchRAW=0\r\n"
        "SearchRotated=0\r\n"
        "\r\n"
        "[Window]\r\n"
        "Left=10\r\n");
}

TEST_F(SettingsFile, MissingSearchSimilarIsWrittenBackAsOneAndAMissingSectionGoesToTheEnd)
{
    write("[Window]\nLeft=10\n");
    ASSERT_TRUE(SaveSettings(path, LoadSettings(path), nullptr));
    EXPECT_EQ(read(), "[Window]\nLeft=10\n\n" + kFreshFile);

    write("[Main]\nSearchSimilar=0\n");
    ASSERT_TRUE(SaveSettings(path, LoadSettings(path), nullptr));
    EXPECT_TRUE(read().startsWith("[Main]\nSearchSimilar=0\nSearchJPG=1\n"));
}

TEST_F(SettingsFile, AnEarlierFileGetsTheNewTypesAtTheirDefaultsAppendedAndNothingElseChanged)
{
    QByteArray earlier = kSpecifiedFile;
    earlier.replace("SearchJPG=1", "SearchJPG=0").replace("SearchCR2=0", "SearchCR2=1");
    write(earlier);
    const TSettings settings = LoadSettings(path);
    EXPECT_TRUE(settings.SearchWEBP && settings.SearchHEIF);
    EXPECT_FALSE(settings.SearchJXL || settings.SearchRAW || settings.SearchRotated);
    EXPECT_FALSE(settings.SearchJPG);
    ASSERT_TRUE(SaveSettings(path, settings, nullptr));
    EXPECT_EQ(read(), earlier + kAddedKeys);

    write("[Main]\nSearchRAW=1\nSearchWEBP=0\n");
    const TSettings rawOnly = LoadSettings(path);
    EXPECT_TRUE(rawOnly.SearchRAW && !rawOnly.SearchWEBP);
    TSettings nothing = rawOnly;
    nothing.SearchJPG = nothing.SearchBMP = nothing.SearchGIF = nothing.SearchPNG = nothing.SearchHEIF = false;
    EXPECT_TRUE(nothing.AnyPictureTypeSelected()); // camera RAW alone is a selection
    nothing.SearchRAW = false;
    EXPECT_FALSE(nothing.AnyPictureTypeSelected());
}

TEST_F(SettingsFile, AStrayCarriageReturnDoesNotTurnTheFileIntoCrLf)
{
    write(QByteArray("[[odd line\r", 11));
    ASSERT_TRUE(SaveSettings(path, LoadSettings(path), nullptr));
    const QByteArray first = read();
    EXPECT_TRUE(first.startsWith("[[odd line\r\n\n[Main]\nSearchJPG=1\n"));
    ASSERT_TRUE(SaveSettings(path, LoadSettings(path), nullptr));
    EXPECT_EQ(read(), first);
}

TEST_F(SettingsFile, FailedSaveReportsTheFileAndLeavesNothingBehind)
{
    write("[Main]\nMinPicWidth=5\n");
    // A folder where the file should be: the temporary file is written, the rename fails.
    const QString blocked = m_dir.filePath("blocked.ini");
    ASSERT_TRUE(QDir().mkdir(blocked));
    QString error;
    EXPECT_FALSE(SaveSettings(blocked, TSettings(), &error));
    EXPECT_TRUE(error.contains(QLatin1String("blocked.ini"))) << error.toStdString();
    EXPECT_EQ(folderEntries(), (QStringList { "Quorvane.ini", "blocked.ini" }));

    // A folder that cannot exist, because a file is in its way.
    error.clear();
    const QString impossible = path + QLatin1String("/Quorvane.ini");
    EXPECT_FALSE(SaveSettings(impossible, TSettings(), &error));
    EXPECT_TRUE(error.contains(impossible)) << error.toStdString();
    EXPECT_EQ(read(), "[Main]\nMinPicWidth=5\n");

    // A read-only folder, where permissions apply (not for root).
    const QString readOnly = m_dir.filePath("readonly");
    ASSERT_TRUE(QDir().mkdir(readOnly));
    ::chmod(QFile::encodeName(readOnly).constData(), 0555);
    if (::access(QFile::encodeName(readOnly).constData(), W_OK) != 0) {
        EXPECT_FALSE(SaveSettings(readOnly + QLatin1String("/Quorvane.ini"), TSettings(), &error));
        EXPECT_TRUE(QDir(readOnly).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }
    ::chmod(QFile::encodeName(readOnly).constData(), 0755);
}

TEST_F(SettingsFile, WriteFailingPartWayKeepsTheOldFile)
{
    write("[Main]\nMinPicWidth=5\n");
    TFaultyFileOperations operations;
    TSettings changed;
    changed.MinPicWidth = 640;
    for (const int failure : { ENOSPC, EACCES, EPERM }) {
        operations.Fail(TFileOperation::ReplaceFile, failure);
        QString error;
        EXPECT_FALSE(SaveSettings(path, changed, &error, operations));
        EXPECT_TRUE(error.contains(path)) << error.toStdString();
        EXPECT_EQ(read(), "[Main]\nMinPicWidth=5\n");
        EXPECT_EQ(folderEntries(), QStringList { "Quorvane.ini" });
    }
    operations.Heal();
    EXPECT_TRUE(SaveSettings(path, changed, nullptr, operations));
    EXPECT_EQ(LoadSettings(path).MinPicWidth, 640);
}

TEST_F(SettingsFile, ReadOnlyFileStaysAsItsOwnerLeftIt)
{
    write("[Main]\nMinPicWidth=5\n");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    TSettings changed;
    changed.MinPicWidth = 640;
    EXPECT_TRUE(SaveSettings(path, changed, nullptr));
    EXPECT_EQ(read(), "[Main]\nMinPicWidth=5\n");
    EXPECT_EQ(QFileInfo(path).permissions() & QFile::WriteOwner, 0);
    EXPECT_EQ(folderEntries(), QStringList { "Quorvane.ini" });
}

TEST(SettingsLocation, BesideTheProgramWhenThatFolderIsWritableElseInTheUserConfiguration)
{
    int argc = 1;
    char name[] = "settings_tests";
    char *argv[] = { name, nullptr };
    QCoreApplication application(argc, argv);
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString path = SettingsFilePath();
    EXPECT_TRUE(path.endsWith(QLatin1String("/Quorvane.ini")));
    EXPECT_EQ(path.startsWith(programDir + QLatin1Char('/')), QFileInfo(programDir).isWritable()) << path.toStdString();
}
