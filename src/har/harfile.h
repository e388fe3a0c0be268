// The Header Array library: reading and writing whole files.
#pragma once

#include "har/harmodel.h"
#include "har/harread.h"
#include "har/harwrite.h"
