/* recorddriver2: a second module offering a driver named "RecordDriver",
 * recording into "driver_calls2.txt" (for the same-name selection rule). */
#define RECORD_FILE "driver_calls2.txt"
#include "recorddriver.c"
