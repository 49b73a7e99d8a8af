#pragma once

#include <QString>

// Host (optionally with ":port") of the maker's web site, fixed at build time.
QString SiteHost();
