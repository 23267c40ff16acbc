#ifndef RESOURCES_TRANSLATIONS_TRANSLATIONRESOURCES_H
#define RESOURCES_TRANSLATIONS_TRANSLATIONRESOURCES_H

// Registers the compiled-in translations ":/lg/english.qm", ":/lg/chinese_s.qm" and
// ":/lg/chinese_t.qm". They live in a static library, whose resource initialiser the linker may
// drop, so call this once before the first translation is loaded. Calling it again does no harm.
void initTranslationResources();

#endif // RESOURCES_TRANSLATIONS_TRANSLATIONRESOURCES_H
