#include "modalanswerer.h"
#include "ui/quorvaneapplication.h"

#include <QTest>
#include <QTimer>

#include <stdexcept>

// An error escaping an event handler reaches the error box, and the next events still run.
class QuorvaneApplicationTest : public QObject
{
    Q_OBJECT

private slots:
    void escapingErrorIsShownAndTheProgramGoesOn()
    {
        ModalAnswerer answerer;
        bool laterEventRan = false;
        QTimer::singleShot(0, this, [] { throw std::runtime_error("disk on fire"); });
        QTimer::singleShot(0, this, [] { throw 42; });
        QTimer::singleShot(20, this, [&] { laterEventRan = true; });
        QTRY_VERIFY(laterEventRan);
        QCOMPARE(answerer.boxes.size(), 2);
        QStringList texts;
        for (const ModalAnswerer::Box &box : answerer.boxes) {
            QCOMPARE(box.title, QStringLiteral("Quorvane"));
            QCOMPARE(box.icon, QMessageBox::Critical);
            texts << box.text;
        }
        texts.sort();
        QCOMPARE(texts, QStringList({ "Unknown error", "disk on fire" }));
    }
};

int main(int argc, char *argv[])
{
    TQuorvaneApplication application(argc, argv);
    QuorvaneApplicationTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "quorvaneapplication_test.moc"
