#ifndef RESOURCES_ART_ARTRESOURCES_H
#define RESOURCES_ART_ARTRESOURCES_H

// Registers the compiled-in artwork (window buttons, navigation and menu icons, logo, welcome
// picture, default LCD pictures). The pictures live in a static library, whose resource
// initialiser the linker may drop, so call this once before the first picture is used.
// Calling it again does no harm.
void initArtResources();

#endif // RESOURCES_ART_ARTRESOURCES_H
