#include "data/LRUEntry.h"

LRUEntry::LRUEntry(const QString& keyStr, const std::shared_ptr<YearViewEventLoader>& linkedObject,
                   double lastUsed)
    : keyStr_(keyStr), linkedObject_(linkedObject), lastUsed_(lastUsed) {}
