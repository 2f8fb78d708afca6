#pragma once

// The configuration reader moved to the formatting code, which reads the user file for its
// display settings; this path stays for the code that includes it from here.
#include "format/config_file.h"
