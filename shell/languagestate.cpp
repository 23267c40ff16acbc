#include "shell/language.h"

Language currentLanguage = English;
