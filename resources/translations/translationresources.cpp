#include "resources/translations/translationresources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside of any namespace.
void initTranslationResources()
{
    Q_INIT_RESOURCE(korlextranslations);
}
