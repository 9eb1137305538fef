#include "areas/pictureresources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerPictures() { Q_INIT_RESOURCE(pictures); }

namespace volmira {

void registerPictureResources() { registerPictures(); }

}  // namespace volmira
