#include "ui/site.h"

QString SiteHost() { return QStringLiteral(QUORVANE_SITE_HOST); }
