#pragma once

namespace volmira {

// Registers the area pictures, the default area picture and the program icon under ":/pictures/".
// The pictures are compiled into the static core library, whose registration the linker would
// otherwise drop; call this once before the first picture is loaded. Calling it again does no harm.
void registerPictureResources();

}  // namespace volmira
