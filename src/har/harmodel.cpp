#include "har/harmodel.h"
