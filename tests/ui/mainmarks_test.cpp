#include "tests/support/faultyfileoperations.h"
#include "ui/mainunit.h"
#include "ui/pairlistmodel.h"

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

#include <cerrno>

namespace
{

// Answers every modal window: Yes (or the default button) in a message box, whose text it keeps,
// the offered value in an input dialog.
class Answerer : public QObject
{
public:
    Answerer()
    {
        connect(&m_timer, &QTimer::timeout, this, &Answerer::Answer);
        m_timer.start(10);
    }
    QStringList texts;

private:
    void Answer()
    {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->isVisible())
            return;
        if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
            texts << box->text();
            QAbstractButton *yes = box->button(QMessageBox::Yes);
            (yes ? yes : box->buttons().first())->click();
        } else if (auto *input = qobject_cast<QInputDialog *>(dialog)) {
            input->accept();
        }
    }
    QTimer m_timer;
};

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

private slots:
    void marksByRuleActsAndUndoes()
    {
        QDir().mkpath(PathOf("sub"));
        QDir().mkpath(QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")) + QStringLiteral("/Trash/files"));
        QDir().mkpath(QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")) + QStringLiteral("/Trash/info"));
        for (const auto &[name, seed] : { std::pair("a.jpg", 1u), std::pair("b.jpg", 2u) }) {
            QImage picture(160, 160, QImage::Format_RGB32);
            QPainter painter(&picture);
            QRandomGenerator random(seed);
            for (int y = 0; y < 160; y += 20)
                for (int x = 0; x < 160; x += 20)
                    painter.fillRect(x, y, 20, 20, QColor::fromRgb(random.generate() | 0xFF000000));
            painter.end();
            QVERIFY(picture.save(PathOf(name), "JPEG", 90));
        }
        QVERIFY(QFile::copy(PathOf("a.jpg"), PathOf("a2.jpg")));
        QVERIFY(QFile::copy(PathOf("b.jpg"), PathOf("b2.jpg")));
        QVERIFY(QFile::copy(PathOf("a.jpg"), PathOf("sub/a3.jpg")));
        MainUnit.Settings = TSettings();
        m_form = std::make_unique<TMainForm>();
        m_form->FileOperations = &m_faults;
        m_form->show();
        m_form->DropUrls({ QUrl::fromLocalFile(m_dir.path()) });
        Answerer answerer;
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
        QVERIFY(answerer.texts.last().startsWith(QStringLiteral("无法标记此文件")));
        m_form->ClearAllMarks1->trigger();
        QCOMPARE(MainUnit.Marks.MarkedCount(), 0);

        m_form->KeepMostPixels1->trigger();
        QCOMPARE(answerer.texts.last(), QStringLiteral("已标记 3 张图片，涉及 2 个组。"));
        QCOMPARE(Column(1, Qt::CheckStateRole), QStringList(3, QString::number(Qt::Checked)));

        // The trash refuses b2: it stays, marked and listed; the rest go, and their pairs with them.
        m_faults.FailFor(TFileOperation::MoveToTrash, EACCES, { QFile::encodeName(PathOf("b2.jpg")) });
        m_form->DeleteMarked1->trigger();
        QVERIFY(answerer.texts[answerer.texts.size() - 2].contains(QStringLiteral("3 个标记的文件")));
        QVERIFY(answerer.texts.last().startsWith(QStringLiteral("已移到回收站 2 个文件。1 个文件未处理")));
        QCOMPARE(Column(1), QStringList { PathOf("b2.jpg") });
        QCOMPARE(Column(1, Qt::CheckStateRole), QStringList { QString::number(Qt::Checked) });
        QVERIFY(!QFile::exists(PathOf("a2.jpg")) && !QFile::exists(PathOf("sub/a3.jpg")));
        QCOMPARE(ReadAll(PathOf("b2.jpg")), ReadAll(PathOf("b.jpg")));

        m_form->Undo1->trigger();
        QCOMPARE(answerer.texts.last(), QStringLiteral("已恢复 2 个文件。"));
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
};

QTEST_MAIN(MainMarksTest)
#include "mainmarks_test.moc"
