#include "sets/BalTree.h"
