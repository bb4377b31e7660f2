#include "subtitle/mapping_text.h"
