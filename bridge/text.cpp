#include "bridge/kest_terapad.h"
