#include "widgets/language.h"

Language currentLanguage = English;
