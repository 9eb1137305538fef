#include "cli/export/siteresources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerSite() { Q_INIT_RESOURCE(site); }

namespace volmira::exporting {

void registerSiteResources() { registerSite(); }

}  // namespace volmira::exporting
