// The Header Array library: reading and writing whole files.
#pragma once

#include "modrask/har/harmodel.h"
#include "modrask/har/harread.h"
#include "modrask/har/harwrite.h"
