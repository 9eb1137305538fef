#pragma once

namespace volmira::exporting {

// Registers the web site's style sheet and script under ":/export-site/". They are compiled into the
// static core library, whose registration the linker would otherwise drop; calling it again does no harm.
void registerSiteResources();

}  // namespace volmira::exporting
