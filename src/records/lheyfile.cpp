#include "records/lheyfile.h"
