#pragma once
#include "tarnwick_types.h"

// The process-wide started flag: set by Tarnwick_UpStart, cleared by Tarnwick_DownShut.
// The Create functions refuse to run while it is clear.
BOOLEAN TarnwickI_IsStarted();
