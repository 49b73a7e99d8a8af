#include "engine/search.h"

#include "engine/base/searchobserver.h"
#include "engine/collect/collection.h"
#include "engine/compare/processing.h"
#include "settings/settings.h"

#include <QCoreApplication>

namespace
{

constexpr int kHeaderPadding = 36;

// Trims Pairs however processing ends, also when an error leaves it.
class TPairsTrimGuard
{
public:
    explicit TPairsTrimGuard(TCatalogue &catalogue)
        : m_catalogue(catalogue)
    {
    }
    ~TPairsTrimGuard() { TrimPairs(m_catalogue); }
    TPairsTrimGuard(const TPairsTrimGuard &) = delete;
    TPairsTrimGuard &operator=(const TPairsTrimGuard &) = delete;

private:
    TCatalogue &m_catalogue;
};

}

void CollectSearchPictures(TCatalogue &catalogue, const TSettings &settings, TSearchObserver &observer)
{
    ResetCatalogue(catalogue);
    CollectListedFolders(catalogue, settings, observer);
    TrimAfterCollection(catalogue);
}

void ProcessSearchPictures(TCatalogue &catalogue, const TSettings &settings, TSearchObserver &observer,
    const TProcessingOptions &options, const std::shared_ptr<TSignatureStore> &store)
{
    if (catalogue.SearchStopped)
        return;
    AllocatePairs(catalogue);
    TPairsTrimGuard trimPairs(catalogue);
    ProcessPictures(catalogue, settings, observer, options, store);
}

void RunSearchSteps(TCatalogue &catalogue, const TSettings &settings, TSearchObserver &observer,
    const TProcessingOptions &options, const std::shared_ptr<TSignatureStore> &store)
{
    CollectSearchPictures(catalogue, settings, observer);
    ProcessSearchPictures(catalogue, settings, observer, options, store);
}

QString SearchResultHeader(bool stopped)
{
    const QString title = stopped ? QCoreApplication::translate("Search", "搜索中断")
                                  : QCoreApplication::translate("Search", "搜索已完成");
    return title + QString(kHeaderPadding, QLatin1Char(' ')) + QStringLiteral("\n\r\n\r");
}

QString SearchResultMessage(
    bool stopped, const QString &filesCount, const QString &duplicatesFound, const QString &elapsed)
{
    const QString lineEnd = QStringLiteral("\n\r");
    return SearchResultHeader(stopped) + filesCount + lineEnd + duplicatesFound + lineEnd + elapsed + lineEnd;
}
