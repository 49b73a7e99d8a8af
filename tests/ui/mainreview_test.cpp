#include "engine/base/pictureerror.h"
#include "engine/results/textformat.h"
#include "modalanswerer.h"
#include "tests/support/faultyfileoperations.h"
#include "tests/support/testcatalogue.h"
#include "ui/mainunit.h"
#include "ui/pairlistmodel.h"
#include "ui/previewfit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace
{

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size())
        qFatal("cannot write fixture");
}

// Sets the modification time of `path`, leaving its content alone.
bool SetModified(const QString &path, const timespec &modified)
{
    const timespec times[2] = { { 0, UTIME_OMIT }, modified };
    return utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

timespec Modified(const QString &path)
{
    struct stat info {
    };
    stat(QFile::encodeName(path).constData(), &info);
    return info.st_mtim;
}

bool FolderIsEmpty(const QString &path)
{
    return QDir(path).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

class MainReviewTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TMainForm> m_form;
    QList<QUrl> m_opened;
    // Outlives the window, which may still write its settings through it when closed.
    TFaultyFileOperations m_faults;

    QByteArray Picture(const QString &name, int width = 120, int height = 90, const char *format = "JPEG")
    {
        const QString path = m_dir.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QImage picture(width, height, QImage::Format_RGB32);
        picture.fill(QColor(40, 120, 200));
        if (!picture.save(path, format))
            qFatal("cannot write fixture");
        return QFile::encodeName(path);
    }

    QString PathOf(const QString &name) const { return m_dir.filePath(name); }

    QStringList Column(int column) const
    {
        QStringList values;
        for (int row = 0; row < m_form->ListModel->rowCount(); ++row)
            values << m_form->ListModel->data(m_form->ListModel->index(row, column)).toString();
        return values;
    }

    // Puts a finished search's results into the window and selects and previews `row`.
    void ShowResults(const std::vector<TTestPicture> &pictures, const std::vector<TTestPair> &pairs, int row = 0)
    {
        MainUnit.Catalogue = MakeTestCatalogue(pictures, pairs);
        m_form->SetListRowCount(MainUnit.Catalogue.PairsCapacity);
        m_form->ListView1->selectRow(row);
        m_form->ListView1Click();
    }

    // Selects `row` as a person would: the window then runs its event loop, which brings the
    // preview along, before anything else can be clicked.
    void Select(int row)
    {
        m_form->ListView1->selectRow(row);
        QCoreApplication::processEvents();
    }

    // Five pairs among six pictures; a.jpg is in rows 0, 2 and 4.
    void ShowSixPictures(int row)
    {
        std::vector<TTestPicture> pictures;
        for (const char *name : { "a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg" })
            pictures.push_back({ .Path = Picture(name), .Width = 120, .Height = 90 });
        ShowResults(pictures, { { 0, 1, 90 }, { 2, 3, 80 }, { 0, 4, 70 }, { 3, 5, 60 }, { 5, 0, 50 } }, row);
    }

private slots:
    void init()
    {
        m_faults = TFaultyFileOperations();
        m_form = std::make_unique<TMainForm>();
        m_form->show();
        MainUnit.Settings.DeleteWithoutAsking = true;
        MainUnit.Settings.MoveToRecycle = false;
        QDesktopServices::setUrlHandler("file", this, "RecordOpenedUrl");
    }

    void cleanup()
    {
        QDesktopServices::unsetUrlHandler("file");
        m_opened.clear();
        m_form.reset();
        MainUnit.Reset();
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    void RecordOpenedUrl(const QUrl &url) { m_opened << url; }

    void previewShowsReducedPicturesAndCatalogueDetails()
    {
        ShowResults({ { .Path = Picture("big.JPEG", 4000, 3000), .Width = 4000, .Height = 3000, .Size = 1023 },
                        { .Path = Picture("thin.png", 300, 20, "PNG"), .Width = 300, .Height = 20, .Size = 2048 } },
            { { 0, 1, 56.5 } });
        const QImage left = FittedPicture(m_form->LeftImage);
        QCOMPARE(left.size(), QSize(1000, 750));
        QCOMPARE(left.pixel(10, 375), qRgb(255, 255, 255));
        QVERIFY(left.pixel(30, 375) != qRgb(255, 255, 255));
        QCOMPARE(m_form->ImageLabel1->text(), QString("JPEG  4000 x 3000  1023 B"));
        QCOMPARE(m_form->ImageLabel2->text(), QString("PNG  300 x 20  2 KB"));
        QCOMPARE(m_form->PercentLabel->text(), QString("57%"));
    }

    void swapping()
    {
        const QImage sampleLeft = FittedPicture(m_form->LeftImage);
        const QString sampleDetails = m_form->ImageLabel1->text();
        m_form->SwapImagesButtonClick(); // no row: only the pictures change sides
        QCOMPARE(FittedPicture(m_form->RightImage), sampleLeft);
        QCOMPARE(m_form->ImageLabel1->text(), sampleDetails);

        ShowSixPictures(1);
        const QStringList firsts = Column(0);
        m_form->SwapImagesButtonClick();
        QCOMPARE(Column(0)[1], PathOf("d.jpg"));
        QCOMPARE(Column(1)[1], PathOf("c.jpg"));
        m_form->DeleteImageButton1Click(); // button 1 acts on the picture now on the left
        QVERIFY(!QFile::exists(PathOf("d.jpg")));
        QVERIFY(QFile::exists(PathOf("c.jpg")));

        ShowSixPictures(1);
        m_form->SwapImagesButtonClick();
        m_form->SwapImagesButtonClick();
        QCOMPARE(Column(0), firsts);
        QCOMPARE(m_form->ImageLabel1->text(), "JPG  120 x 90  " + SizeToText(QFileInfo(PathOf("c.jpg")).size()));
    }

    void selectionAndPreviewFollowTheirPair()
    {
        ShowSixPictures(3);
        m_form->ListView1ColumnClick(2);
        QCOMPARE(Column(2), (QStringList { "50", "60", "70", "80", "90" }));
        QCOMPARE(m_form->SelectedRow(), 1);
        m_form->ListView1ColumnClick(2);
        QCOMPARE(m_form->SelectedRow(), 3);
        QCOMPARE(m_form->PercentLabel->text(), QString("60%"));

        m_form->ListView1->selectRow(4);
        QTest::keyRelease(m_form->ListView1, Qt::Key_Down);
        QCOMPARE(m_form->PercentLabel->text(), QString("50%"));
        m_form->ListView1->selectRow(1);
        QTest::keyRelease(m_form->ListView1, Qt::Key_PageUp);
        QCOMPARE(m_form->PercentLabel->text(), QString("80%"));
    }

    void unreadablePictureStopsThePreviewWhereItGot()
    {
        ShowResults({ { Picture("p.jpg") }, { Picture("q.jpg") }, { Picture("r.jpg", 30, 20) }, { Picture("s.jpg") } },
            { { 0, 1, 90 }, { 2, 3, 80 } });
        QFile::remove(PathOf("s.jpg"));
        m_form->ListView1->selectRow(1);
        QVERIFY_THROWS_EXCEPTION(TPictureError, m_form->ListView1Click());
        QCOMPARE(FittedPicture(m_form->LeftImage).size(), QSize(30, 20));
        QCOMPARE(m_form->PercentLabel->text(), QString("90%"));

        // The right side still shows q.jpg, which is not in the selected pair: its buttons and
        // its picture act on nothing. The left side shows r.jpg and acts on it.
        ModalAnswerer answers;
        m_form->DeleteImageButton2Click();
        m_form->MoveImageButton2Click();
        m_form->BrowseImageButton2Click();
        m_form->RightImageClick();
        QCOMPARE(answers.texts(), QStringList {});
        QCOMPARE(m_opened, QList<QUrl> {});
        QVERIFY(QFile::exists(PathOf("q.jpg")));
        m_form->DeleteImageButton1Click();
        QVERIFY(!QFile::exists(PathOf("r.jpg")));
    }

    void fifoInAPicturesPlaceDoesNotBlockThePreview()
    {
        const QByteArray fifo = QFile::encodeName(PathOf("x.cr2"));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        QVERIFY_THROWS_EXCEPTION(TPictureError,
            ShowResults({ { Picture("l.jpg") }, { .Path = fifo, .Width = 4000, .Height = 3000, .Size = 1000 } },
                { { 0, 1, 90 } }));
        QCOMPARE(FittedPicture(m_form->LeftImage).size(), QSize(120, 90));
    }

    void dragOverTheListBringsThePreviewAndTheButtonsAlong()
    {
        ShowSixPictures(0);
        QWidget *rows = m_form->ListView1->viewport();
        const auto centre
            = [&](int row) { return m_form->ListView1->visualRect(m_form->ListModel->index(row, 1)).center(); };
        QTest::mousePress(rows, Qt::LeftButton, {}, centre(0));
        QTest::mouseMove(rows, centre(1));
        QTest::mouseMove(rows, centre(3));
        QTest::mouseRelease(rows, Qt::LeftButton, {}, centre(3));
        QCoreApplication::processEvents();
        QCOMPARE(m_form->SelectedRow(), 3);
        QCOMPARE(m_form->PercentLabel->text(), QString("60%"));
        m_form->DeleteImageButton2Click(); // f.jpg, the right picture shown
        QVERIFY(!QFile::exists(PathOf("f.jpg")));
        QVERIFY(QFile::exists(PathOf("b.jpg")));

        // A click on the selected row shows its pair anew: a picture gone meanwhile is reported.
        QCOMPARE(m_form->SelectedRow(), 2);
        QFile::remove(PathOf("e.jpg"));
        bool reported = false;
        try {
            QTest::mouseClick(rows, Qt::LeftButton, {}, centre(2));
        } catch (const TPictureError &) {
            reported = true;
        }
        QVERIFY(reported);
    }

    void deletingRemovesEveryPairOfThePicture()
    {
        ShowSixPictures(2);
        m_form->DeleteImageButton1Click();
        QVERIFY(!QFile::exists(PathOf("a.jpg")));
        QCOMPARE(Column(2), (QStringList { "80", "60" }));
        QCOMPARE(m_form->SelectedRow(), 1); // past the end: the new last row
        QCOMPARE(m_form->PercentLabel->text(), QString("60%"));
        Select(0);
        m_form->DeleteImageButton1Click(); // c.jpg
        QCOMPARE(Column(2), QStringList { "60" });
        QCOMPARE(m_form->SelectedRow(), 0);
        m_form->DeleteImageButton2Click(); // the only pair
        QCOMPARE(m_form->ListModel->rowCount(), 0);
        QCOMPARE(m_form->SelectedRow(), -1);
        // The deleted pair is no longer shown.
        QCOMPARE(m_form->PercentLabel->text(), QString());
        QCOMPARE(m_form->ImageLabel2->text(), QStringLiteral("无图像"));
        QVERIFY(QFile::exists(PathOf("d.jpg")));
    }

    void deleteAsksUnlessToldNotToAndCanUseTheTrash()
    {
        MainUnit.Settings.DeleteWithoutAsking = false;
        MainUnit.Settings.MoveToRecycle = true;
        const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(PathOf("data")));
        QDir().mkpath(PathOf("data"));
        ShowResults({ { Picture("keep.jpg") }, { Picture("other.jpg") } }, { { 0, 1, 75 } });
        QVERIFY(QFile::setPermissions(PathOf("keep.jpg"), QFileDevice::ReadOwner));
        ModalAnswerer answers;
        answers.Queue(QMessageBox::No);
        m_form->DeleteImageButton1Click();
        QCOMPARE(answers.texts(), QStringList { "您真的要删除吗\n\rkeep.jpg" });
        QCOMPARE(answers.icons().first(), QMessageBox::Question);
        QVERIFY(QFile::exists(PathOf("keep.jpg")));
        answers.Queue(QMessageBox::Yes);
        m_form->DeleteImageButton1Click();
        qputenv("XDG_DATA_HOME", savedDataHome);
        QVERIFY(!QFile::exists(PathOf("keep.jpg")));
        QVERIFY(QFile::exists(PathOf("data/Trash/files/keep.jpg")));
        QVERIFY(QFile::exists(PathOf("data/Trash/info/keep.jpg.trashinfo")));
        QCOMPARE(m_form->ListModel->rowCount(), 0);
    }

    void moving()
    {
        ShowResults({ { Picture("same.jpg") }, { Picture("sub/same.jpg") }, { Picture("ro.jpg") } },
            { { 0, 1, 95 }, { 2, 1, 70 } });
        ModalAnswerer answers;
        answers.Queue(PathOf("sub"));
        m_form->MoveImageButton1Click();
        QCOMPARE(answers.titles.first(), QString("Move same.jpg to selected folder"));
        QCOMPARE(answers.texts(), QStringList { "Cannot move file same.jpg\n\rError code = 17" });
        QCOMPARE(answers.icons().first(), QMessageBox::Critical);
        QVERIFY(QFile::exists(PathOf("same.jpg")));
        QCOMPARE(m_form->ListModel->rowCount(), 2);
        QCOMPARE(m_form->SelectedRow(), 0);

        QVERIFY(QFile::setPermissions(PathOf("ro.jpg"), QFileDevice::ReadOwner));
        Select(1);
        answers.Queue(PathOf("sub"));
        m_form->MoveImageButton1Click();
        QCOMPARE(answers.texts().last(), QString("ro.jpg moved successfully"));
        QVERIFY(QFile::exists(PathOf("sub/ro.jpg")));
        QVERIFY(!QFile::exists(PathOf("ro.jpg")));
        QCOMPARE(m_form->ListModel->rowCount(), 1);
    }

    void missingFilesAreReportedAndNotOpened()
    {
        ShowResults({ { Picture("l.jpg") }, { Picture("r.jpg") } }, { { 0, 1, 95 } });
        m_form->RightImageClick();
        QCOMPARE(m_opened, QList<QUrl> { QUrl::fromLocalFile(PathOf("r.jpg")) });
        QFile::remove(PathOf("l.jpg"));
        QFile::remove(PathOf("r.jpg"));
        ModalAnswerer answers;
        m_form->DeleteImageButton1Click();
        m_form->DeleteImageButton2Click();
        m_form->MoveImageButton2Click();
        QCOMPARE(answers.texts(),
            (QStringList { "找不到此文件:\n\rl.jpg", "找不到此文件：\n\rr.jpg", "Cannot find this file:\n\rr.jpg" }));
        QCOMPARE(m_form->ListModel->rowCount(), 1);
        m_form->LeftImageClick();
        QCOMPARE(m_opened.size(), 1);
    }

    void browseWithoutFileManagerOpensTheFolder()
    {
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        ShowResults({ { Picture("sub1/one.jpg") }, { Picture("sub2/two.jpg") } }, { { 0, 1, 95 } });
        m_form->BrowseImageButton2Click();
        QCOMPARE(m_opened, QList<QUrl> { QUrl::fromLocalFile(PathOf("sub2")) });
    }

    void exportWritesTheListAsShown()
    {
        ModalAnswerer answers;
        m_form->SavelistofdupliacatestoCSV1Click();
        QCOMPARE(answers.texts(), QStringList { "重复项列表为空。" });

        ShowSixPictures(0);
        m_form->ListView1ColumnClick(2);
        m_form->ListView1ColumnClick(2); // descending: 90 first, still selected
        m_form->SwapImagesButtonClick();
        answers.Queue(PathOf("list"));
        m_form->SavelistofdupliacatestoCSV1Click();
        QFile file(PathOf("list.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QList<QByteArray> lines = bytes.mid(3).split('\n');
        QCOMPARE(lines.size(), 12); // 2n + 1 lines, each ended by CR LF
        QCOMPARE(lines.last(), QByteArray());
        QCOMPARE(lines[1], "1;" + QFile::encodeName(PathOf("b.jpg")) + ";90;\r");
        QCOMPARE(lines[2], "1;" + QFile::encodeName(PathOf("a.jpg")) + ";90;\r");
        QCOMPARE(lines[10], "5;" + QFile::encodeName(PathOf("a.jpg")) + ";50;\r");

        answers.Queue(file.fileName());
        answers.Queue(QMessageBox::No);
        QVERIFY(QFile::resize(file.fileName(), 3));
        m_form->SavelistofdupliacatestoCSV1Click();
        QCOMPARE(answers.texts().last(), "文件 \"" + file.fileName() + "\" 存在。换一个新的？");
        QCOMPARE(answers.icons().last(), QMessageBox::Information);
        QCOMPARE(QFileInfo(file.fileName()).size(), 3);
        answers.Queue(file.fileName());
        answers.Queue(QMessageBox::Yes);
        m_form->SavelistofdupliacatestoCSV1Click();
        QCOMPARE(QFileInfo(file.fileName()).size(), bytes.size());
    }

    void exportWritesIntoAPipeOrADeviceAndLeavesItInPlace()
    {
        ShowSixPictures(0);
        const QByteArray pipe = QFile::encodeName(PathOf("list.pipe"));
        QCOMPARE(mkfifo(pipe.constData(), 0600), 0);
        // A second name for the pipe, so that a reader is never left waiting should the pipe be replaced.
        QCOMPARE(link(pipe.constData(), (pipe + ".held").constData()), 0);
        std::future<QByteArray> reader
            = std::async(std::launch::async, [this] { return ReadAll(PathOf("list.pipe")); });
        ModalAnswerer answers;
        answers.Queue(PathOf("list.pipe"));
        answers.Queue(QMessageBox::Yes);
        m_form->SavelistofdupliacatestoCSV1Click();
        ::close(::open((pipe + ".held").constData(), O_WRONLY | O_NONBLOCK));
        QVERIFY(reader.get().startsWith("\xEF\xBB\xBF"));
        struct stat info {
        };
        QCOMPARE(lstat(pipe.constData(), &info), 0);
        QVERIFY(S_ISFIFO(info.st_mode));

        // A node for the kernel's full device (1, 7), made here: every write to it fails.
        const QByteArray full = QFile::encodeName(PathOf("full.csv"));
        if (mknod(full.constData(), S_IFCHR | 0600, makedev(1, 7)) != 0)
            QSKIP("device nodes cannot be made here");
        answers.Queue(PathOf("full.csv"));
        answers.Queue(QMessageBox::Yes);
        m_form->SavelistofdupliacatestoCSV1Click();
        if (answers.texts().last().contains(QString::fromLocal8Bit(std::strerror(EACCES))))
            QSKIP("device nodes cannot be opened here");
        QCOMPARE(answers.texts().last(),
            "Cannot create file \"" + PathOf("full.csv") + "\". " + QString::fromLocal8Bit(std::strerror(ENOSPC)));
        QCOMPARE(lstat(full.constData(), &info), 0);
        QVERIFY(S_ISCHR(info.st_mode));
    }

    void injectedFailuresLeaveTheSourceAndNoPartialTarget()
    {
        TFaultyFileOperations &faults = m_faults;
        m_form->FileOperations = &faults;
        ShowResults({ { Picture("a.jpg") }, { Picture("b.jpg") } }, { { 0, 1, 90 } });
        const QByteArray original = ReadAll(PathOf("a.jpg"));
        QDir().mkpath(PathOf("target"));
        ModalAnswerer answers;
        faults.Fail(TFileOperation::MoveNoReplace, ENOSPC);
        answers.Queue(PathOf("target"));
        m_form->MoveImageButton1Click();
        faults.Fail(TFileOperation::MoveNoReplace, EACCES);
        answers.Queue(PathOf("target"));
        m_form->MoveImageButton1Click();
        faults.Heal();
        faults.Fail(TFileOperation::Remove, EACCES);
        m_form->DeleteImageButton1Click();
        faults.Fail(TFileOperation::Remove, EPERM);
        m_form->DeleteImageButton1Click();
        faults.Fail(TFileOperation::Stat, ENOENT);
        m_form->DeleteImageButton1Click();
        QCOMPARE(answers.texts(),
            (QStringList { "Cannot move file a.jpg\n\rError code = 28", "Cannot move file a.jpg\n\rError code = 13",
                "无法删除文件a.jpg\n\r错误代码 = 13", "无法删除文件a.jpg\n\r错误代码 = 1", "找不到此文件:\n\ra.jpg" }));
        QCOMPARE(ReadAll(PathOf("a.jpg")), original);
        QVERIFY(FolderIsEmpty(PathOf("target")));
        QCOMPARE(m_form->ListModel->rowCount(), 1);

        // A rename refused with EXDEV goes on by copying: onto a name taken meanwhile it stops and
        // leaves no copy behind, onto a free name it completes.
        faults.Heal();
        faults.Fail(TFileOperation::MoveNoReplace, EXDEV);
        WriteAll(PathOf("target/a.jpg"), "someone else's");
        answers.Queue(PathOf("target"));
        m_form->MoveImageButton1Click();
        QCOMPARE(answers.texts().last(), QString("Cannot move file a.jpg\n\rError code = 17"));
        QCOMPARE(ReadAll(PathOf("a.jpg")), original);
        QCOMPARE(ReadAll(PathOf("target/a.jpg")), QByteArray("someone else's"));
        QCOMPARE(QDir(PathOf("target")).entryList(QDir::Files | QDir::Hidden), QStringList { "a.jpg" });
        QFile::remove(PathOf("target/a.jpg"));
        answers.Queue(PathOf("target"));
        m_form->MoveImageButton1Click();
        QCOMPARE(answers.texts().last(), QString("a.jpg moved successfully"));
        QVERIFY(!QFile::exists(PathOf("a.jpg")));
        QCOMPARE(ReadAll(PathOf("target/a.jpg")), original);
        QCOMPARE(m_form->ListModel->rowCount(), 0);
    }

    void fileTheTrashRefusesIsNotDeletedForGood()
    {
        TFaultyFileOperations &faults = m_faults;
        m_form->FileOperations = &faults;
        MainUnit.Settings.MoveToRecycle = true;
        ShowResults({ { Picture("a.jpg") }, { Picture("b.jpg") } }, { { 0, 1, 90 } });
        faults.Fail(TFileOperation::MoveToTrash, EXDEV);
        ModalAnswerer answers;
        m_form->DeleteImageButton1Click();
        QCOMPARE(answers.texts(), QStringList { "无法将文件移到回收站a.jpg\n\r错误代码 = 18" });
        QVERIFY(QFile::exists(PathOf("a.jpg")));
        QCOMPARE(faults.Calls(TFileOperation::Remove), 0);
        QCOMPARE(m_form->ListModel->rowCount(), 1);
    }

    void picturesChangedAfterTheSearchAreNeitherDeletedNorMoved()
    {
        ShowResults(
            { { Picture("a.jpg") }, { Picture("b.jpg") }, { Picture("c.jpg") } }, { { 0, 1, 90 }, { 2, 1, 80 } });
        const QByteArray a = ReadAll(PathOf("a.jpg"));
        // Rewritten in place at the same size: only the time tells.
        QVERIFY(SetModified(PathOf("a.jpg"), { 1'000'000'000, 0 }));
        // Grown, with its old time put back: only the size tells.
        const timespec cTime = Modified(PathOf("c.jpg"));
        WriteAll(PathOf("c.jpg"), "appended");
        QVERIFY(SetModified(PathOf("c.jpg"), cTime));
        const QByteArray c = ReadAll(PathOf("c.jpg"));
        QDir().mkpath(PathOf("target"));

        ModalAnswerer answers;
        m_form->DeleteImageButton1Click();
        Select(1);
        answers.Queue(PathOf("target"));
        m_form->MoveImageButton1Click();
        QCOMPARE(answers.texts(),
            (QStringList {
                "文件在搜索后已更改，未执行任何操作：\n\ra.jpg", "文件在搜索后已更改，未执行任何操作：\n\rc.jpg" }));
        QCOMPARE(answers.icons().first(), QMessageBox::Critical);
        QCOMPARE(ReadAll(PathOf("a.jpg")), a);
        QCOMPARE(ReadAll(PathOf("c.jpg")), c);
        QVERIFY(FolderIsEmpty(PathOf("target")));
        QCOMPARE(m_form->ListModel->rowCount(), 2);

        // Another file put in its place under the same name, with the same bytes and time.
        const timespec bTime = Modified(PathOf("b.jpg"));
        QVERIFY(QFile::copy(PathOf("b.jpg"), PathOf("b.new")));
        QVERIFY(SetModified(PathOf("b.new"), bTime));
        QVERIFY(QFile::remove(PathOf("b.jpg")));
        QVERIFY(QFile::rename(PathOf("b.new"), PathOf("b.jpg")));
        m_form->DeleteImageButton2Click();
        QCOMPARE(answers.texts().last(), QString("文件在搜索后已更改，未执行任何操作：\n\rb.jpg"));
        QVERIFY(QFile::exists(PathOf("b.jpg")));
        // As a new search would record it.
        TFileStamp now;
        QVERIFY(SystemFileOperations().Stat(QFile::encodeName(PathOf("b.jpg")), now) == 0);
        MainUnit.Catalogue.Pictures[1].Inode = now.Inode;

        TFaultyFileOperations &faults = m_faults;
        m_form->FileOperations = &faults;
        faults.Fail(TFileOperation::Stat, kFileChanged);
        m_form->DeleteImageButton2Click();
        QCOMPARE(answers.texts().last(), QString("文件在搜索后已更改，未执行任何操作：\n\rb.jpg"));
        QCOMPARE(faults.Calls(TFileOperation::Remove), 0);
        QVERIFY(QFile::exists(PathOf("b.jpg")));
        faults.Heal();
        m_form->DeleteImageButton2Click();
        QVERIFY(!QFile::exists(PathOf("b.jpg")));
        QCOMPARE(m_form->ListModel->rowCount(), 0);
    }

    void failedExportKeepsTheOldFile()
    {
        TFaultyFileOperations &faults = m_faults;
        m_form->FileOperations = &faults;
        ShowSixPictures(0);
        WriteAll(PathOf("list.csv"), "old list");
        faults.Fail(TFileOperation::ReplaceFile, ENOSPC);
        ModalAnswerer answers;
        answers.Queue(PathOf("list.csv"));
        answers.Queue(QMessageBox::Yes);
        m_form->SavelistofdupliacatestoCSV1Click();
        QCOMPARE(answers.texts().last(),
            "Cannot create file \"" + PathOf("list.csv") + "\". " + QString::fromLocal8Bit(std::strerror(ENOSPC)));
        QCOMPARE(answers.icons().last(), QMessageBox::Critical);
        QCOMPARE(ReadAll(PathOf("list.csv")), QByteArray("old list"));
        QCOMPARE(QDir(m_dir.path()).entryList({ "*.csv*" }, QDir::Files | QDir::Hidden), QStringList { "list.csv" });
    }
};

QTEST_MAIN(MainReviewTest)
#include "mainreview_test.moc"
