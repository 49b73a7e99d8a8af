#pragma once

#include "engine/base/catalogue.h"
#include "engine/compare/processing.h"

#include <QString>

class TSearchObserver;
struct TSettings;

// The window-free steps of a search: reset, collection of the listed folders, trim, processing
// of every picture and the summary counts. The caller has set SearchStopped to false; it stays
// false unless the observer sets it during a pump. Progress goes through the observer. `store`,
// when given, is the signature store the processing uses.
void RunSearchSteps(TCatalogue &catalogue, const TSettings &settings, TSearchObserver &observer,
    const TProcessingOptions &options = {}, const std::shared_ptr<TSignatureStore> &store = nullptr);

// The first half of RunSearchSteps: reset, collection of the listed folders and trim.
void CollectSearchPictures(TCatalogue &catalogue, const TSettings &settings, TSearchObserver &observer);

// The second half of RunSearchSteps: unless a stop was requested, processing of every collected
// picture into pairs.
void ProcessSearchPictures(TCatalogue &catalogue, const TSettings &settings, TSearchObserver &observer,
    const TProcessingOptions &options = {}, const std::shared_ptr<TSignatureStore> &store = nullptr);

// Header of the final message: "搜索中断" after a stop, else "搜索已完成" (or their translation when
// one is installed), then 36 spaces and LF CR LF CR.
QString SearchResultHeader(bool stopped);

// The final message: the header, then each progress caption followed by LF CR.
QString SearchResultMessage(
    bool stopped, const QString &filesCount, const QString &duplicatesFound, const QString &elapsed);
