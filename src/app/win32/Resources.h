// Resource identifiers of Kelbrook.exe.
#pragma once

#define IDI_KELBROOK 1
