#include "formats/TerrainFile.h"
