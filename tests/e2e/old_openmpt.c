/* Stands in, through LD_PRELOAD, for an older libopenmpt than the show was built
 * against: the show must refuse it with its one-line message. */
#include <stdint.h>

uint32_t openmpt_get_library_version(void) { return 0x00050000u; /* 0.5.0 */ }
