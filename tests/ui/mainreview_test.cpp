#include "mainunit.h"
#include "pairlistmodel.h"
#include "pictureerror.h"
#include "previewfit.h"
#include "reviewfixture.h"

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
#include <QToolButton>

#include <deque>
#include <functional>

namespace
{

// Answers the modal dialogs a handler opens, in order, and records what each box said.
class ModalAnswers : public QObject
{
public:
    ModalAnswers()
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalAnswers::AnswerOpenDialog);
        m_timer.start(10);
    }

    void Box(QMessageBox::StandardButton button)
    {
        m_answers.push_back([button](QWidget *) { return button; });
    }
    void FileDialog(const QString &path)
    {
        m_answers.push_back([path](QWidget *dialog) {
            if (auto *files = qobject_cast<QFileDialog *>(dialog)) {
                files->selectFile(path);
                static_cast<QDialog *>(files)->accept();
            }
            return QMessageBox::NoButton;
        });
    }

    QStringList texts;
    QList<QMessageBox::Icon> icons;
    QStringList titles;

private:
    void AnswerOpenDialog()
    {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->isVisible())
            return;
        auto answer = m_answers.empty()
            ? std::function<QMessageBox::StandardButton(QWidget *)>([](QWidget *) { return QMessageBox::Ok; })
            : m_answers.front();
        if (!m_answers.empty())
            m_answers.pop_front();
        titles << dialog->windowTitle();
        if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
            texts << box->text();
            icons << box->icon();
            const QMessageBox::StandardButton button = answer(dialog);
            QAbstractButton *pressed = box->button(button);
            (pressed ? pressed : box->buttons().first())->click();
        } else {
            answer(dialog);
        }
    }

    QTimer m_timer;
    std::deque<std::function<QMessageBox::StandardButton(QWidget *)>> m_answers;
};

QStringList Column(const TMainForm &form, int column)
{
    QStringList values;
    for (int row = 0; row < form.ListModel->rowCount(); ++row)
        values << form.ListModel->data(form.ListModel->index(row, column)).toString();
    return values;
}

} // namespace

class MainReviewTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TMainForm> m_form;
    QList<QUrl> m_opened;

    QByteArray Picture(const QString &name, int width = 120, int height = 90, const char *format = "JPEG")
    {
        const QString path = m_dir.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QImage picture(width, height, QImage::Format_RGB32);
        picture.fill(QColor(40 + name.size() * 7, 120, 200));
        if (!picture.save(path, format))
            qFatal("cannot write fixture");
        return QFile::encodeName(path);
    }

    QString PathOf(const QString &name) const { return m_dir.filePath(name); }

    // Puts a finished search's results into the window and selects `row`.
    void ShowResults(const std::vector<TestPicture> &pictures, const std::vector<TestPair> &pairs, int row = 0)
    {
        Catalogue = MakeCatalogue(pictures, pairs);
        m_form->SetListRowCount(Catalogue.PairsCapacity);
        if (row >= 0 && Catalogue.PairsCapacity > 0) {
            m_form->ListView1->selectRow(row);
            m_form->ListView1Click();
        }
    }

    // Five pairs among six pictures; picture 0 (a.jpg) is in pairs 0, 2 and 4.
    void ShowSixPictures(int row)
    {
        std::vector<TestPicture> pictures;
        for (const char *name : { "a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg" })
            pictures.push_back({ Picture(name), 120, 90, 2000 });
        ShowResults(pictures, { { 0, 1, 90 }, { 2, 3, 80 }, { 0, 4, 70 }, { 3, 5, 60 }, { 5, 0, 50 } }, row);
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_form = std::make_unique<TMainForm>();
        m_form->resize(1035, 900);
        m_form->show();
        Settings.DeleteWithoutAsking = true;
        Settings.MoveToRecycle = false;
        QDesktopServices::setUrlHandler("file", this, "RecordOpenedUrl");
    }

    void cleanup()
    {
        QDesktopServices::unsetUrlHandler("file");
        m_opened.clear();
        m_form.reset();
        ClearCatalogue(Catalogue);
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    void RecordOpenedUrl(const QUrl &url) { m_opened << url; }

    void previewShowsReducedPicturesDetailsAndPercent()
    {
        const QByteArray big = Picture("big.JPEG", 4000, 3000);
        const QByteArray thin = Picture("thin.png", 300, 20, "PNG");
        ShowResults({ { big, 4000, 3000, 1023 }, { thin, 300, 20, 2048 } }, { { 0, 1, 56.5 } });
        const QImage left = FittedPicture(m_form->LeftImage);
        QCOMPARE(left.size(), QSize(1000, 750));
        QCOMPARE(left.pixel(10, 375), qRgb(255, 255, 255));
        QVERIFY(left.pixel(30, 375) != qRgb(255, 255, 255));
        QCOMPARE(FittedPicture(m_form->RightImage).size(), QSize(300, 20));
        QCOMPARE(m_form->ImageLabel1->text(), QString("JPEG  4000 x 3000  1023 B"));
        QCOMPARE(m_form->ImageLabel2->text(), QString("PNG  300 x 20  2 KB"));
        QCOMPARE(m_form->PercentLabel->text(), QString("57%"));
        QVERIFY(m_form->LeftImage->pixmap().width() <= m_form->LeftImage->width());
    }

    void swappingTwiceRestoresRowAndPreview()
    {
        ShowSixPictures(1);
        const QStringList firsts = Column(*m_form, 0);
        const QString leftDetails = m_form->ImageLabel1->text();
        m_form->SwapImagesButtonClick();
        QCOMPARE(Column(*m_form, 0)[1], PathOf("d.jpg"));
        QCOMPARE(Column(*m_form, 1)[1], PathOf("c.jpg"));
        m_form->SwapImagesButtonClick();
        QCOMPARE(Column(*m_form, 0), firsts);
        QCOMPARE(m_form->ImageLabel1->text(), leftDetails);
        QCOMPARE(m_form->ListView1->selectionModel()->selectedRows().first().row(), 1);
    }

    void swappingWithoutSelectionMovesOnlyThePictures()
    {
        const QImage left = FittedPicture(m_form->LeftImage);
        const QImage right = FittedPicture(m_form->RightImage);
        const QString leftDetails = m_form->ImageLabel1->text();
        m_form->SwapImagesButtonClick();
        QCOMPARE(FittedPicture(m_form->LeftImage), right);
        QCOMPARE(FittedPicture(m_form->RightImage), left);
        QCOMPARE(m_form->ImageLabel1->text(), leftDetails);
    }

    void sortingKeepsTheSelectionOnItsPair()
    {
        ShowSixPictures(3);
        m_form->ListView1ColumnClick(2);
        QCOMPARE(Column(*m_form, 2), (QStringList { "50", "60", "70", "80", "90" }));
        QCOMPARE(m_form->SelectedRow(), 1);
        QCOMPARE(Catalogue.Pairs[1].PicIndex1, 3);
        m_form->ListView1ColumnClick(2);
        QCOMPARE(Column(*m_form, 2).first(), QString("90"));
        QCOMPARE(m_form->SelectedRow(), 3);
    }

    void releasingArrowKeysRefreshesThePreview()
    {
        ShowSixPictures(0);
        m_form->ListView1->setFocus();
        m_form->ListView1->selectRow(4);
        QTest::keyRelease(m_form->ListView1, Qt::Key_Down);
        QCOMPARE(m_form->PercentLabel->text(), QString("50%"));
        QTest::keyRelease(m_form->ListView1, Qt::Key_Shift);
        QCOMPARE(m_form->PercentLabel->text(), QString("50%"));
        // Keys other than the arrows still bring the preview to the row the buttons act on.
        m_form->ListView1->selectRow(1);
        QTest::keyRelease(m_form->ListView1, Qt::Key_PageUp);
        QCOMPARE(m_form->PercentLabel->text(), QString("80%"));
    }

    void pictureThatCannotBeReadStopsThePreviewWhereItGot()
    {
        ShowResults(
            { { Picture("p.jpg", 60, 40) }, { Picture("q.jpg") }, { Picture("r.jpg", 30, 20) }, { Picture("s.jpg") } },
            { { 0, 1, 90 }, { 2, 3, 80 } });
        QFile::remove(PathOf("s.jpg"));
        m_form->ListView1->selectRow(1);
        QVERIFY_THROWS_EXCEPTION(TPictureError, m_form->ListView1Click());
        QCOMPARE(FittedPicture(m_form->LeftImage).size(), QSize(30, 20));
        QCOMPARE(FittedPicture(m_form->RightImage).size(), QSize(120, 90));
        QCOMPARE(m_form->PercentLabel->text(), QString("90%"));
    }

    void browseFallsBackToOpeningTheFolder()
    {
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        ShowResults({ { Picture("sub1/one.jpg") }, { Picture("sub2/two.jpg") } }, { { 0, 1, 95 } });
        m_form->BrowseImageButton2Click();
        QCOMPARE(m_opened, QList<QUrl> { QUrl::fromLocalFile(PathOf("sub2")) });
    }

    void deletingPictureRemovesEveryPairNamingIt()
    {
        ShowSixPictures(2);
        m_form->DeleteImageButton1Click();
        QVERIFY(!QFile::exists(PathOf("a.jpg")));
        QCOMPARE(Column(*m_form, 2), (QStringList { "80", "60" }));
        QCOMPARE(m_form->SelectedRow(), 1);
        QCOMPARE(m_form->PercentLabel->text(), QString("60%"));
        QVERIFY(Catalogue.Pictures[0].Deleted);
    }

    void deletingInFirstAndLastRows()
    {
        ShowSixPictures(4);
        m_form->DeleteImageButton2Click(); // a.jpg on the right of the last row
        QCOMPARE(Column(*m_form, 2), (QStringList { "80", "60" }));
        QCOMPARE(m_form->SelectedRow(), 1);
        m_form->ListView1->selectRow(0);
        m_form->DeleteImageButton1Click(); // c.jpg
        QCOMPARE(Column(*m_form, 2), (QStringList { "60" }));
        QCOMPARE(m_form->SelectedRow(), 0);
        QCOMPARE(m_form->ImageLabel1->text(), QString("JPG  120 x 90  2 KB"));
        QCOMPARE(m_form->PercentLabel->text(), QString("60%"));
    }

    void deletingTheOnlyPairLeavesTheLastPreview()
    {
        ShowResults({ { Picture("x.jpg") }, { Picture("y.jpg") } }, { { 0, 1, 88 } });
        m_form->DeleteImageButton2Click();
        QCOMPARE(m_form->ListModel->rowCount(), 0);
        QCOMPARE(m_form->SelectedRow(), -1);
        QCOMPARE(m_form->PercentLabel->text(), QString("88%"));
        QVERIFY(QFile::exists(PathOf("x.jpg")));
        QVERIFY(!QFile::exists(PathOf("y.jpg")));
    }

    void deleteAsksFirstUnlessToldNotTo()
    {
        Settings.DeleteWithoutAsking = false;
        ShowResults({ { Picture("keep.jpg") }, { Picture("other.jpg") } }, { { 0, 1, 75 } });
        ModalAnswers answers;
        answers.Box(QMessageBox::No);
        m_form->DeleteImageButton1Click();
        QCOMPARE(answers.texts, QStringList { "您真的要删除吗\n\rkeep.jpg" });
        QCOMPARE(answers.icons.first(), QMessageBox::Question);
        QVERIFY(QFile::exists(PathOf("keep.jpg")));
        QCOMPARE(m_form->ListModel->rowCount(), 1);
        answers.Box(QMessageBox::Yes);
        m_form->DeleteImageButton1Click();
        QVERIFY(!QFile::exists(PathOf("keep.jpg")));
    }

    void deleteToTrashKeepsTheFileRestorable()
    {
        Settings.MoveToRecycle = true;
        const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(PathOf("data")));
        QDir().mkpath(PathOf("data"));
        ShowResults({ { Picture("first.jpg") }, { Picture("second.jpg") } }, { { 0, 1, 75 } });
        m_form->DeleteImageButton2Click();
        qputenv("XDG_DATA_HOME", savedDataHome);
        QVERIFY(!QFile::exists(PathOf("second.jpg")));
        QVERIFY(QFile::exists(PathOf("data/Trash/files/second.jpg")));
        QVERIFY(QFile::exists(PathOf("data/Trash/info/second.jpg.trashinfo")));
    }

    void readOnlyFilesAreDeletedAndMoved()
    {
        ShowResults(
            { { Picture("ro1.jpg") }, { Picture("ro2.jpg") }, { Picture("ro3.jpg") } }, { { 0, 1, 75 }, { 2, 1, 70 } });
        for (const char *name : { "ro1.jpg", "ro3.jpg" })
            QVERIFY(QFile::setPermissions(PathOf(name), QFileDevice::ReadOwner));
        m_form->DeleteImageButton1Click();
        QVERIFY(!QFile::exists(PathOf("ro1.jpg")));
        QDir().mkpath(PathOf("moved"));
        ModalAnswers answers;
        answers.FileDialog(PathOf("moved"));
        answers.Box(QMessageBox::Ok);
        m_form->MoveImageButton1Click();
        QVERIFY(QFile::exists(PathOf("moved/ro3.jpg")));
        QVERIFY(!QFile::exists(PathOf("ro3.jpg")));
        QCOMPARE(answers.texts, QStringList { "ro3.jpg moved successfully" });
        QCOMPARE(answers.titles.first(), QString("Move ro3.jpg to selected folder"));
        QCOMPARE(m_form->ListModel->rowCount(), 0);
    }

    void moveOntoExistingNameFailsAndKeepsBoth()
    {
        ShowResults({ { Picture("same.jpg") }, { Picture("sub/same.jpg") } }, { { 0, 1, 95 } });
        ModalAnswers answers;
        answers.FileDialog(PathOf("sub"));
        answers.Box(QMessageBox::Ok);
        m_form->MoveImageButton1Click();
        QCOMPARE(answers.texts, QStringList { "Cannot move file same.jpg\n\rError code = 17" });
        QCOMPARE(answers.icons.first(), QMessageBox::Critical);
        QVERIFY(QFile::exists(PathOf("same.jpg")));
        QVERIFY(QFile::exists(PathOf("sub/same.jpg")));
        QCOMPARE(m_form->ListModel->rowCount(), 1);
        QCOMPARE(m_form->SelectedRow(), 0);
    }

    void missingFilesAreReportedWithTheirSideColon()
    {
        ShowResults({ { Picture("l.jpg") }, { Picture("r.jpg") } }, { { 0, 1, 95 } });
        QFile::remove(PathOf("l.jpg"));
        QFile::remove(PathOf("r.jpg"));
        ModalAnswers answers;
        m_form->DeleteImageButton1Click();
        m_form->DeleteImageButton2Click();
        m_form->MoveImageButton2Click();
        QCOMPARE(answers.texts,
            (QStringList { "找不到此文件:\n\rl.jpg", "找不到此文件：\n\rr.jpg", "Cannot find this file:\n\rr.jpg" }));
        QCOMPARE(m_form->ListModel->rowCount(), 1);
        m_form->LeftImageClick();
        QVERIFY(m_opened.isEmpty());
    }

    void clickingAPictureOpensItsFile()
    {
        ShowResults({ { Picture("open1.jpg") }, { Picture("open2.jpg") } }, { { 0, 1, 95 } });
        m_form->RightImageClick();
        QCOMPARE(m_opened, QList<QUrl> { QUrl::fromLocalFile(PathOf("open2.jpg")) });
    }

    void exportWritesSortedSwappedPairs()
    {
        ShowSixPictures(0);
        m_form->ListView1ColumnClick(2);
        m_form->ListView1ColumnClick(2); // descending: 90 first
        m_form->SwapImagesButtonClick();
        ModalAnswers answers;
        answers.FileDialog(PathOf("list"));
        m_form->SavelistofdupliacatestoCSV1Click();
        QFile file(PathOf("list.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.endsWith("\r\n"));
        const QList<QByteArray> lines = bytes.mid(3).chopped(2).split('\n');
        QCOMPARE(lines.size(), 11);
        for (const QByteArray &line : lines)
            QVERIFY(line.endsWith('\r') || &line == &lines.last());
        QCOMPARE(lines[1], "1;" + QFile::encodeName(PathOf("b.jpg")) + ";90;\r");
        QCOMPARE(lines[2], "1;" + QFile::encodeName(PathOf("a.jpg")) + ";90;\r");
        QCOMPARE(lines[10], "5;" + QFile::encodeName(PathOf("a.jpg")) + ";50;");
    }

    void exportRefusesEmptyListAndAsksBeforeReplacing()
    {
        ModalAnswers answers;
        m_form->SavelistofdupliacatestoCSV1Click();
        QCOMPARE(answers.texts, QStringList { "重复项列表为空。" });

        ShowSixPictures(0);
        const QString target = PathOf("old.csv");
        {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old contents");
        }
        answers.FileDialog(target);
        answers.Box(QMessageBox::No);
        m_form->SavelistofdupliacatestoCSV1Click();
        QCOMPARE(answers.texts.last(), "文件 \"" + target + "\" 存在。换一个新的？");
        QCOMPARE(answers.icons.last(), QMessageBox::Information);
        QFile kept(target);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("old contents"));
        kept.close();

        answers.FileDialog(target);
        answers.Box(QMessageBox::Yes);
        m_form->SavelistofdupliacatestoCSV1Click();
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QVERIFY(kept.readAll().startsWith("\xEF\xBB\xBF"));
    }
};

QTEST_MAIN(MainReviewTest)
#include "mainreview_test.moc"
