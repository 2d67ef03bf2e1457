#include "engine/mesh/MMeshObj.h"
