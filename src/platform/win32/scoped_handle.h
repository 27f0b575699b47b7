// The handle owners live in win32_handles.h; this name stays for the files
// that still include it.
#pragma once

#include "platform/win32/win32_handles.h"
