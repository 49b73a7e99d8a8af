#include "pairlistmodel.h"
#include "reviewfixture.h"
#include "sortprocedures.h"

#include <QTest>

namespace
{

struct SortState {
    int32_t column = 0;
    bool descending = false;
};

bool SortByColumn(TCatalogue &catalogue, SortState &state, int32_t column)
{
    return ::SortByColumn(catalogue, column, state.column, state.descending);
}

} // namespace

class SortProceduresTest : public QObject
{
    Q_OBJECT

private:
    static std::vector<double> Similarities(const TCatalogue &catalogue)
    {
        std::vector<double> values;
        for (int32_t i = 0; i <= catalogue.PairsLast; ++i)
            values.push_back(catalogue.Pairs[i].Similarity);
        return values;
    }

    static TCatalogue ThreeNamedPairs()
    {
        return MakeCatalogue(
            { { "/p/b.jpg" }, { "/p/a.jpg" }, { "/p/c.jpg" }, { "/q/z.jpg" }, { "/q/y.jpg" }, { "/q/x.jpg" } },
            { { 0, 3, 60 }, { 1, 4, 90 }, { 2, 5, 75 } });
    }

private slots:
    void firstClickOnFirstColumnSortsDescending()
    {
        TCatalogue catalogue = ThreeNamedPairs();
        SortState state;
        QVERIFY(SortByColumn(catalogue, state, kColumnOriginal));
        QVERIFY(state.descending);
        QCOMPARE(FullPath(catalogue, catalogue.Pairs[0].PicIndex1), QByteArray("/p/c.jpg"));
        QCOMPARE(FullPath(catalogue, catalogue.Pairs[2].PicIndex1), QByteArray("/p/a.jpg"));
    }

    void firstClickOnOtherColumnsSortsAscending()
    {
        TCatalogue catalogue = ThreeNamedPairs();
        SortState state;
        QVERIFY(SortByColumn(catalogue, state, kColumnDuplicate));
        QVERIFY(!state.descending);
        QCOMPARE(FullPath(catalogue, catalogue.Pairs[0].PicIndex2), QByteArray("/q/x.jpg"));

        SortState fresh;
        QVERIFY(SortByColumn(catalogue, fresh, kColumnSimilarity));
        QCOMPARE(Similarities(catalogue), (std::vector<double> { 60, 75, 90 }));
    }

    void clicksOnSameColumnAlternateAndOtherColumnRestartsAscending()
    {
        TCatalogue catalogue = ThreeNamedPairs();
        SortState state;
        SortByColumn(catalogue, state, kColumnSimilarity);
        SortByColumn(catalogue, state, kColumnSimilarity);
        QCOMPARE(Similarities(catalogue), (std::vector<double> { 90, 75, 60 }));
        SortByColumn(catalogue, state, kColumnSimilarity);
        QCOMPARE(Similarities(catalogue), (std::vector<double> { 60, 75, 90 }));
        SortByColumn(catalogue, state, kColumnSimilarity);
        SortByColumn(catalogue, state, kColumnDuplicate);
        QVERIFY(!state.descending);
        QCOMPARE(state.column, int32_t(kColumnDuplicate));
    }

    void emptyListIgnoresClickAndSinglePairOnlyChangesState()
    {
        TCatalogue empty = MakeCatalogue({}, {});
        SortState state;
        QVERIFY(!SortByColumn(empty, state, kColumnSimilarity));
        QCOMPARE(state.column, int32_t(0));
        QVERIFY(!state.descending);

        TCatalogue single = MakeCatalogue({ { "/a" }, { "/b" } }, { { 0, 1, 80 } });
        QVERIFY(SortByColumn(single, state, kColumnOriginal));
        QVERIFY(state.descending);
        QCOMPARE(single.Pairs[0].PicIndex1, 0);
    }

    void nameComparisonFoldsOnlyAsciiLetters()
    {
        TCatalogue catalogue = MakeCatalogue({ { "/Photos/IMG.jpg" }, { "/photos/img.JPG" }, { "/photos/img.JPG2" },
                                                 { QString("/é").toUtf8() }, { QString("/É").toUtf8() }, { "/Z" } },
            {});
        auto compare = [&](int32_t a, int32_t b) {
            return CompareName1(
                catalogue.Pictures, catalogue.Paths, TPicturePair { a, 0, 0 }, TPicturePair { b, 0, 0 }, false);
        };
        QCOMPARE(compare(0, 1), 0);
        QVERIFY(compare(1, 2) < 0);
        QVERIFY(compare(2, 1) > 0);
        QVERIFY(compare(3, 4) != 0);
        // é (U+00E9) sorts after É (U+00C9) and both after every ASCII letter.
        QVERIFY(compare(3, 4) > 0);
        QVERIFY(compare(5, 4) < 0);
        QCOMPARE(
            CompareName1(catalogue.Pictures, catalogue.Paths, TPicturePair { 1, 0, 0 }, TPicturePair { 2, 0, 0 }, true),
            -compare(1, 2));
    }

    void namesThatAreNotUtf8StillSort()
    {
        TCatalogue catalogue = MakeCatalogue({ { "/x/\xff.jpg" }, { "/x/a.jpg" } }, { { 0, 1, 70 }, { 1, 0, 70 } });
        SortState state;
        SortByColumn(catalogue, state, kColumnOriginal);
        SortByColumn(catalogue, state, kColumnOriginal);
        QCOMPARE(FullPath(catalogue, catalogue.Pairs[0].PicIndex1), QByteArray("/x/a.jpg"));
    }

    void similarityTextRoundsHalvesUp()
    {
        TCatalogue catalogue = MakeCatalogue({ { "/a" }, { "/b" } }, { { 0, 1, 99.5 }, { 1, 0, 99.49 } });
        TPairListModel model(catalogue);
        model.SetRowCount(catalogue.PairsCapacity);
        QCOMPARE(model.data(model.index(0, 2)).toString(), QString("100"));
        QCOMPARE(model.data(model.index(1, 2)).toString(), QString("99"));
        QCOMPARE(model.data(model.index(1, 0)).toString(), QString("/b"));
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QString("重复图像"));
    }

    void modelShowsOnlyTheRowsItWasGiven()
    {
        TCatalogue catalogue = MakeCatalogue({ { "/a" }, { "/b" } }, { { 0, 1, 50 } });
        TPairListModel model(catalogue);
        QCOMPARE(model.rowCount(), 0);
        model.SetRowCount(5);
        QVERIFY(!model.data(model.index(3, 0)).isValid());
    }

    void equalKeysKeepTheirOrder()
    {
        TCatalogue catalogue
            = MakeCatalogue({ { "/a" }, { "/b" }, { "/c" }, { "/d" } }, { { 0, 1, 80 }, { 2, 3, 80 }, { 1, 2, 80 } });
        SortState state { kColumnSimilarity, false };
        SortByColumn(catalogue, state, kColumnSimilarity);
        QCOMPARE(catalogue.Pairs[0].PicIndex1, 0);
        QCOMPARE(catalogue.Pairs[1].PicIndex1, 2);
        QCOMPARE(catalogue.Pairs[2].PicIndex1, 1);
    }
};

QTEST_MAIN(SortProceduresTest)
#include "sortprocedures_test.moc"
