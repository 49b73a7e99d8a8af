#include "tests/support/testcatalogue.h"
#include "ui/pairlistmodel.h"
#include "uicore/sortprocedures.h"

#include <QTest>

class SortProceduresTest : public QObject
{
    Q_OBJECT

private:
    static QList<double> Similarities(const TCatalogue &catalogue)
    {
        QList<double> values;
        for (int32_t i = 0; i <= catalogue.PairsLast; ++i)
            values << catalogue.Pairs[i].Similarity;
        return values;
    }

private slots:
    void clickDirectionFollowsTheRememberedColumn()
    {
        TCatalogue catalogue
            = MakeTestCatalogue({ { "/p/b" }, { "/p/a" }, { "/p/c" }, { "/q/z" }, { "/q/y" }, { "/q/x" } },
                { { 0, 3, 60 }, { 1, 4, 90 }, { 2, 5, 75 } });
        int32_t column = 0;
        bool descending = false;
        QVERIFY(SortByColumn(catalogue, 0, column, descending)); // first click after start-up: Z to A
        QCOMPARE(FullPath(catalogue, catalogue.Pairs[0].PicIndex1), QByteArray("/p/c"));
        QVERIFY(SortByColumn(catalogue, 1, column, descending));
        QCOMPARE(FullPath(catalogue, catalogue.Pairs[0].PicIndex2), QByteArray("/q/x"));
        SortByColumn(catalogue, 2, column, descending);
        QCOMPARE(Similarities(catalogue), (QList<double> { 60, 75, 90 }));
        SortByColumn(catalogue, 2, column, descending);
        QCOMPARE(Similarities(catalogue), (QList<double> { 90, 75, 60 }));
        SortByColumn(catalogue, 2, column, descending);
        QCOMPARE(Similarities(catalogue), (QList<double> { 60, 75, 90 }));

        TCatalogue empty = MakeTestCatalogue({}, {});
        QVERIFY(!SortByColumn(empty, 2, column, descending));
        QCOMPARE(column, 2);
        QVERIFY(!descending);
    }

    void namesFoldOnlyAsciiLettersAndPrefixesComeFirst()
    {
        TCatalogue catalogue
            = MakeTestCatalogue({ { "/Photos/IMG.jpg" }, { "/photos/img.JPG" }, { "/photos/img.JPG2" },
                                    { QString("/é").toUtf8() }, { QString("/É").toUtf8() }, { "/\xff" } },
                {});
        auto compare = [&](int32_t a, int32_t b, bool descending = false) {
            return CompareName1(catalogue.Pictures, catalogue.Paths, { a, 0, 0 }, { b, 0, 0 }, descending);
        };
        QCOMPARE(compare(0, 1), 0);
        QVERIFY(compare(1, 2) < 0);
        QVERIFY(compare(1, 2, true) > 0);
        QVERIFY(compare(3, 4) > 0); // é (U+00E9) after É (U+00C9): no folding outside ASCII
        QVERIFY(compare(5, 3) > 0); // a name that is not UTF-8 still has a place
    }

    void similarityShowsAsRoundedWholeNumber()
    {
        TCatalogue catalogue = MakeTestCatalogue({ { "/a" }, { "/b" } }, { { 0, 1, 99.5 }, { 1, 0, 99.49 } });
        TPictureMarks marks;
        TPairListModel model(catalogue, marks);
        model.SetRowCount(catalogue.PairsCapacity);
        QCOMPARE(model.data(model.index(0, 2)).toString(), QString("100"));
        QCOMPARE(model.data(model.index(1, 2)).toString(), QString("99"));
        QCOMPARE(model.data(model.index(1, 0)).toString(), QString("/b"));
    }
};

QTEST_MAIN(SortProceduresTest)
#include "sortprocedures_test.moc"
