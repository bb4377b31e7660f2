#include "subtitle/subtitle_reader.h"
