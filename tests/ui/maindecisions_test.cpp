#include "modalanswerer.h"
#include "ui/mainunit.h"
#include "ui/pairlistmodel.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <memory>

namespace
{
// Coloured blocks that no other seed reproduces closely.
QImage BlockPicture(quint32 seed)
{
    QImage picture(160, 160, QImage::Format_RGB32);
    QPainter painter(&picture);
    QRandomGenerator random(seed);
    for (int y = 0; y < 160; y += 20)
        for (int x = 0; x < 160; x += 20)
            painter.fillRect(x, y, 20, 20, QColor::fromRgb(random.generate() | 0xFF000000));
    return picture;
}
} // namespace

// The person's lasting decisions in the window: pairs that are not duplicates, reference folders
// and the similarity filter.
class MainDecisionsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TMainForm> m_form;

    QString PathOf(const QString &name) const { return m_dir.filePath(name); }

    void Save(const QString &name, quint32 seed, int quality = 90)
    {
        QDir().mkpath(QFileInfo(PathOf(name)).path());
        QVERIFY(BlockPicture(seed).save(PathOf(name), "JPEG", quality));
    }

    QStringList Column(int column, int role = Qt::DisplayRole) const
    {
        QStringList values;
        for (int row = 0; row < m_form->ListModel->rowCount(); ++row)
            values << m_form->ListModel->index(row, column).data(role).toString();
        return values;
    }

    void Search() { m_form->StartButton->click(); }

    void OpenWindowOn(const QStringList &folders)
    {
        m_form = std::make_unique<TMainForm>();
        MainUnit.Settings = TSettings();
        m_form->show();
        for (const QString &folder : folders)
            m_form->DropUrls({ QUrl::fromLocalFile(PathOf(folder)) });
    }

    QString ForgetCaption() const
    {
        emit m_form->Mark1->aboutToShow();
        return m_form->ForgetDismissed1->text();
    }

private slots:
    void cleanup()
    {
        m_form.reset();
        MainUnit.Reset();
        QFile::remove(QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")) + QStringLiteral("/Quorvane/decisions.sqlite"));
        for (const QString &entry : QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            QFileInfo(PathOf(entry)).isDir() ? QDir(PathOf(entry)).removeRecursively() : QFile::remove(PathOf(entry));
    }

    void notDuplicatesStayApartThroughRenamesAndCopiesUntilUndone()
    {
        Save(QStringLiteral("p/x1.jpg"), 1, 90);
        Save(QStringLiteral("p/x2.jpg"), 1, 60);
        OpenWindowOn({ QStringLiteral("p") });
        ModalAnswerer answerer;
        Search();
        QCOMPARE(Column(1), QStringList { PathOf("p/x2.jpg") });
        QVERIFY(m_form->NotDuplicatesButton->isEnabled());
        QCOMPARE(ForgetCaption(), QStringLiteral("忘记所有“不是重复项”决定（0）"));

        // The key works where the list has the keyboard focus.
        m_form->activateWindow();
        m_form->ListView1->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        QTest::keyClick(m_form->ListView1, Qt::Key_N);
        QCOMPARE(m_form->ListModel->rowCount(), 0);
        QVERIFY(!m_form->NotDuplicatesButton->isEnabled());
        QCOMPARE(ForgetCaption(), QStringLiteral("忘记所有“不是重复项”决定（1）"));
        Search();
        QCOMPARE(m_form->ListModel->rowCount(), 0);

        // Renamed and copied, the contents are still the ones dismissed; the copy of x1 is not.
        QVERIFY(QFile::rename(PathOf("p/x2.jpg"), PathOf("p/y2.jpg")));
        QVERIFY(QFile::copy(PathOf("p/x1.jpg"), PathOf("p/z1.jpg")));
        Search();
        QCOMPARE(Column(0), QStringList { PathOf("p/x1.jpg") });
        QCOMPARE(Column(1), QStringList { PathOf("p/z1.jpg") });

        m_form->Undo1->trigger();
        QCOMPARE(answerer.texts().last(), QStringLiteral("已撤销“不是重复项”决定。"));
        Search();
        QCOMPARE(Column(1), (QStringList { PathOf("p/y2.jpg"), PathOf("p/z1.jpg") }));
    }

    void referencePicturesAreComparedButNeverPairedTogetherMarkedOrActedOn()
    {
        Save(QStringLiteral("ref/r1.jpg"), 3);
        QVERIFY(QFile::copy(PathOf("ref/r1.jpg"), PathOf("ref/r2.jpg")));
        Save(QStringLiteral("new/n2.jpg"), 4);
        QVERIFY(QFile::copy(PathOf("ref/r1.jpg"), PathOf("new/n1.jpg")));
        QVERIFY(QFile::copy(PathOf("new/n2.jpg"), PathOf("new/n3.jpg")));
        OpenWindowOn({ QStringLiteral("ref"), QStringLiteral("new") });
        m_form->DirectoriesListBox->setCurrentRow(0);
        m_form->UseAsReferenceFolder1->trigger();
        QVERIFY(!m_form->DirectoriesListBox->item(0)->icon().isNull());
        QVERIFY(m_form->DirectoriesListBox->item(1)->icon().isNull());
        ModalAnswerer answerer;
        Search();

        QCOMPARE(Column(1), (QStringList { PathOf("new/n1.jpg"), PathOf("new/n3.jpg") }));
        QVERIFY(Column(0)[0].startsWith(PathOf("ref/")));
        m_form->ListView1->selectRow(0);
        m_form->ListView1Click();
        QVERIFY(!m_form->DeleteImageButton1->isEnabled() && !m_form->MoveImageButton1->isEnabled());
        QVERIFY(m_form->DeleteImageButton2->isEnabled() && m_form->MoveImageButton2->isEnabled());

        m_form->ListModel->setData(m_form->ListModel->index(0, 0), Qt::Checked, Qt::CheckStateRole);
        QVERIFY(answerer.texts().last().startsWith(QStringLiteral("无法标记此文件，它在参考文件夹中")));
        m_form->KeepNewest1->trigger();
        QCOMPARE(Column(0, Qt::CheckStateRole)[0], QString::number(Qt::Unchecked));
        QCOMPARE(Column(1, Qt::CheckStateRole)[0], QString::number(Qt::Checked));
        m_form->DeleteMarked1->trigger();
        QVERIFY(QFile::exists(PathOf("ref/r1.jpg")) && QFile::exists(PathOf("ref/r2.jpg")));
    }

    void theSimilarityFilterHidesWeakPairsAndExportsWhatItShows()
    {
        Save(QStringLiteral("p/a.jpg"), 5);
        QVERIFY(QFile::copy(PathOf("p/a.jpg"), PathOf("p/a2.jpg")));
        Save(QStringLiteral("p/b.jpg"), 6, 95);
        Save(QStringLiteral("p/b2.jpg"), 6, 40);
        OpenWindowOn({ QStringLiteral("p") });
        ModalAnswerer answerer;
        Search();
        QCOMPARE(m_form->ListModel->rowCount(), 2);
        QVERIFY(m_form->ShownCountLabel->text().isEmpty());
        m_form->ListView1->selectRow(1);
        m_form->ListView1Click();

        m_form->ShownSimilaritySpinBox->setValue(100);
        QVERIFY(!m_form->ListView1->isRowHidden(0) && m_form->ListView1->isRowHidden(1));
        QCOMPARE(m_form->SelectedRow(), 0);
        QCOMPARE(m_form->ShownCountLabel->text(), QStringLiteral("显示 1 / 2"));
        answerer.Queue(PathOf("shown"));
        m_form->SavelistofdupliacatestoCSV1Click();
        QFile file(PathOf("shown.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().count('\n'), 3);

        m_form->ShownSimilaritySpinBox->setValue(0);
        QVERIFY(!m_form->ListView1->isRowHidden(1));
        QVERIFY(m_form->ShownCountLabel->text().isEmpty());
        QCOMPARE(m_form->ListModel->rowCount(), 2);
    }
};

QTEST_MAIN(MainDecisionsTest)
#include "maindecisions_test.moc"
