#include "tracesort.h"
