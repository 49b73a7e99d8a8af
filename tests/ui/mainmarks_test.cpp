#include "engine/sign/signpicture.h"
#include "modalanswerer.h"
#include "tests/support/faultyfileoperations.h"
#include "ui/mainunit.h"
#include "ui/pairlistmodel.h"
#include "ui/pictureactions.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTransform>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <stdexcept>

namespace
{

// Coloured blocks that no other seed reproduces closely.
QImage BlockPicture(quint32 seed, int width = 160, int height = 160)
{
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter painter(&picture);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; y += 20)
        for (int x = 0; x < width; x += 20)
            painter.fillRect(x, y, 20, 20, QColor::fromRgb(random.generate() | 0xFF000000));
    return picture;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class MainMarksTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    TFaultyFileOperations m_faults;
    std::unique_ptr<TMainForm> m_form;

    QString PathOf(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    QStringList Column(int column, int role = Qt::DisplayRole) const
    {
        QStringList values;
        for (int row = 0; row < m_form->ListModel->rowCount(); ++row)
            values << m_form->ListModel->index(row, column).data(role).toString();
        return values;
    }

    // A window with default settings (changed by `adjust`) that has searched `folder`.
    void SearchIn(const QString &folder, const std::function<void(TSettings &)> &adjust = {})
    {
        m_form = std::make_unique<TMainForm>();
        MainUnit.Settings = TSettings();
        if (adjust)
            adjust(MainUnit.Settings);
        m_form->show();
        m_form->DropUrls({ QUrl::fromLocalFile(folder) });
        m_form->StartButton->click();
    }

    static void MakeHomeTrash()
    {
        const QString trash = QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")) + QStringLiteral("/Trash/");
        QDir().mkpath(trash + QStringLiteral("files"));
        QDir().mkpath(trash + QStringLiteral("info"));
    }

private slots:
    void cleanup()
    {
        m_form.reset();
        MainUnit.Reset();
    }

    void marksByRuleActsAndUndoes()
    {
        QDir().mkpath(PathOf("sub"));
        MakeHomeTrash();
        for (const auto &[name, seed] : { std::pair("a.jpg", 1u), std::pair("b.jpg", 2u) })
            QVERIFY(BlockPicture(seed).save(PathOf(name), "JPEG", 90));
        QVERIFY(QFile::copy(PathOf("a.jpg"), PathOf("a2.jpg")));
        QVERIFY(QFile::copy(PathOf("b.jpg"), PathOf("b2.jpg")));
        QVERIFY(QFile::copy(PathOf("a.jpg"), PathOf("sub/a3.jpg")));
        MainUnit.Settings = TSettings();
        m_form = std::make_unique<TMainForm>();
        m_form->FileOperations = &m_faults;
        m_form->show();
        m_form->DropUrls({ QUrl::fromLocalFile(m_dir.path()) });
        ModalAnswerer answerer;
        m_form->StartButton->click();
        const QStringList firstColumn = Column(0);
        const QStringList secondColumn = Column(1);
        QCOMPARE(secondColumn, (QStringList { PathOf("a2.jpg"), PathOf("b2.jpg"), PathOf("sub/a3.jpg") }));
        QCOMPARE(Column(0, Qt::CheckStateRole), QStringList(3, QString::number(Qt::Unchecked)));
        QVERIFY(m_form->MarkLabel1->isHidden() && m_form->MarkLabel2->isHidden());

        // By hand: a2 is marked in both rows that name it; b2 and b together would be the whole group.
        QTest::keyClick(m_form->ListView1, Qt::Key_2);
        QCOMPARE(Column(0, Qt::CheckStateRole)[2], QString::number(Qt::Checked));
        QVERIFY(m_form->MarkLabel2->isVisible());
        m_form->ListModel->setData(m_form->ListModel->index(1, 1), Qt::Checked, Qt::CheckStateRole);
        m_form->ListModel->setData(m_form->ListModel->index(1, 0), Qt::Checked, Qt::CheckStateRole);
        QCOMPARE(Column(0, Qt::CheckStateRole)[1], QString::number(Qt::Unchecked));
        QVERIFY(answerer.texts().last().startsWith(QStringLiteral("无法标记此文件")));
        m_form->ClearAllMarks1->trigger();
        QCOMPARE(m_form->Marks().MarkedCount(), 0);

        m_form->KeepMostPixels1->trigger();
        QCOMPARE(answerer.texts().last(), QStringLiteral("已标记 3 张图片，涉及 2 个组。"));
        QCOMPARE(Column(1, Qt::CheckStateRole), QStringList(3, QString::number(Qt::Checked)));

        // The trash refuses b2: it stays, marked and listed; the rest go, and their pairs with them.
        m_faults.FailFor(TFileOperation::MoveToTrash, EACCES, { QFile::encodeName(PathOf("b2.jpg")) });
        m_form->DeleteMarked1->trigger();
        QVERIFY(answerer.texts()[answerer.texts().size() - 2].contains(QStringLiteral("3 个标记的文件")));
        QVERIFY(answerer.texts().last().startsWith(QStringLiteral("已移到回收站 2 个文件。1 个文件未处理")));
        QCOMPARE(Column(1), QStringList { PathOf("b2.jpg") });
        QCOMPARE(Column(1, Qt::CheckStateRole), QStringList { QString::number(Qt::Checked) });
        QVERIFY(!QFile::exists(PathOf("a2.jpg")) && !QFile::exists(PathOf("sub/a3.jpg")));
        QCOMPARE(ReadAll(PathOf("b2.jpg")), ReadAll(PathOf("b.jpg")));

        m_form->Undo1->trigger();
        QCOMPARE(answerer.texts().last(), QStringLiteral("已恢复 2 个文件。"));
        QCOMPARE(ReadAll(PathOf("a2.jpg")), ReadAll(PathOf("a.jpg")));
        QCOMPARE(ReadAll(PathOf("sub/a3.jpg")), ReadAll(PathOf("a.jpg")));
        QCOMPARE(Column(1).size(), 3);
        QStringList restored = Column(0);
        QStringList before = firstColumn;
        restored.sort();
        before.sort();
        QCOMPARE(restored, before);
        m_form.reset();
    }

    // A rule judges a turned or mirrored copy as the search did, when it looked for such copies.
    void rulesMarkTurnedCopiesOfASearchForThem()
    {
        QTemporaryDir dir;
        const QImage original = BlockPicture(3, 201, 151);
        QVERIFY(original.save(dir.filePath("a.png")));
        QVERIFY(original.transformed(QTransform().rotate(90)).save(dir.filePath("b.png")));
        QVERIFY(original.mirrored(true, false).save(dir.filePath("c.png")));
        QVERIFY(original.save(dir.filePath("d.jpg"), "JPEG", 90));
        ModalAnswerer answerer;
        SearchIn(dir.path(), [](TSettings &settings) { settings.SearchRotated = true; });
        QCOMPARE(m_form->ListModel->rowCount(), 3);
        m_form->KeepMostPixels1->trigger();
        QCOMPARE(answerer.texts().last(), QStringLiteral("已标记 3 张图片，涉及 1 个组。"));
    }

    // A search that fails has replaced the results all the same: nothing marked or taken out
    // before it may be acted on or brought back into the new ones.
    void aFailedSearchLeavesNoMarksOrUndoRecords()
    {
        MakeHomeTrash();
        QTemporaryDir dir;
        QVERIFY(BlockPicture(4).save(dir.filePath("a.jpg"), "JPEG", 90));
        QVERIFY(BlockPicture(5).save(dir.filePath("b.jpg"), "JPEG", 90));
        QVERIFY(QFile::copy(dir.filePath("a.jpg"), dir.filePath("a2.jpg")));
        QVERIFY(QFile::copy(dir.filePath("b.jpg"), dir.filePath("b2.jpg")));
        ModalAnswerer answerer;
        SearchIn(dir.path());
        QCOMPARE(m_form->ListModel->rowCount(), 2);
        m_form->DeleteImageButton2Click(); // a2.jpg, to the trash
        QCOMPARE(m_form->PictureActions().TakenOutCount(), size_t(1));
        m_form->KeepMostPixels1->trigger(); // b2.jpg
        QCOMPARE(m_form->Marks().MarkedCount(), 1);

        m_form->SearchProcessing.Signer = [](const QByteArray &path, const TSettings &settings) {
            if (path.endsWith("/b2.jpg"))
                throw std::runtime_error("decoder broke");
            return SignPicture(path, settings);
        };
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, m_form->StartButtonClick());
        QCOMPARE(m_form->Marks().MarkedCount(), 0);
        QCOMPARE(m_form->PictureActions().TakenOutCount(), size_t(0));
        m_form->DeleteMarked1->trigger();
        QCOMPARE(answerer.texts().last(), QStringLiteral("没有标记的图片。"));
        QVERIFY(QFile::exists(dir.filePath("b2.jpg")));
        // Undo puts a2.jpg back on disk, and no pair of the old results into the new ones.
        m_form->Undo1->trigger();
        QVERIFY(QFile::exists(dir.filePath("a2.jpg")));
        QCOMPARE(m_form->ListModel->rowCount(), 0);
    }

    // An action that leaves no row leaves no pair in the preview: its files are gone.
    void anEmptiedListShowsNoPair()
    {
        MakeHomeTrash();
        QTemporaryDir dir;
        QVERIFY(BlockPicture(6).save(dir.filePath("a.jpg"), "JPEG", 90));
        QVERIFY(QFile::copy(dir.filePath("a.jpg"), dir.filePath("a2.jpg")));
        ModalAnswerer answerer;
        SearchIn(dir.path());
        const QList<QToolButton *> buttons { m_form->MoveImageButton1, m_form->BrowseImageButton1,
            m_form->DeleteImageButton1, m_form->MoveImageButton2, m_form->BrowseImageButton2,
            m_form->DeleteImageButton2 };
        const auto enabledButtons = [&] {
            return std::count_if(
                buttons.begin(), buttons.end(), [](QToolButton *button) { return button->isEnabled(); });
        };
        m_form->KeepMostPixels1->trigger();
        m_form->DeleteMarked1->trigger();
        QCOMPARE(m_form->ListModel->rowCount(), 0);
        QCOMPARE(m_form->ImageLabel1->text(), QStringLiteral("无图像"));
        QCOMPARE(m_form->ImageLabel2->text(), QStringLiteral("无图像"));
        QCOMPARE(m_form->PercentLabel->text(), QString());
        QVERIFY(m_form->LeftImage->pixmap().isNull() && m_form->RightImage->pixmap().isNull());
        QVERIFY(m_form->MarkLabel1->isHidden() && m_form->MarkLabel2->isHidden());
        QCOMPARE(enabledButtons(), 0);

        m_form->Undo1->trigger();
        QCOMPARE(m_form->ListModel->rowCount(), 1);
        QCOMPARE(m_form->PercentLabel->text(), QStringLiteral("100%"));
        QCOMPARE(enabledButtons(), 6);
    }
};

QTEST_MAIN(MainMarksTest)
#include "mainmarks_test.moc"
