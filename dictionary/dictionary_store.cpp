#include "dictionary/dictionary_store.h"
