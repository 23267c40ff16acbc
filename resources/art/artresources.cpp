#include "resources/art/artresources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside of any namespace.
void initArtResources()
{
    Q_INIT_RESOURCE(korlexart);
}
