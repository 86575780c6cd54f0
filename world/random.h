// random.h -- the program's one random source: a 32-bit linear congruential
// generator started at 1. The sequence and the number of draws each pass
// makes are part of what the viewer sees.
#pragma once

#include <stdint.h>

extern uint32_t random_seed;

int random_next(void);      // 0..32767
float random_unit(void);    // [0, 1), multiples of 1/32768
float random_signed(void);  // (-1, 1]
