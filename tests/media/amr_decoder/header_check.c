/* Compiled as C: the component's header must stay plain C, and its function
 * pointer types must match the declarations. */
#include "qw_amr_decoder.h"

#define QWAMR_SAME_SHAPE(fn, type) _Generic(&fn, type : 1, default : 0)

_Static_assert(QWAMR_SAME_SHAPE(AMR_Decode_Init, AMR_Decode_InitFn), "AMR_Decode_Init");
_Static_assert(QWAMR_SAME_SHAPE(AMR_Decode_Exit, AMR_Decode_ExitFn), "AMR_Decode_Exit");
_Static_assert(QWAMR_SAME_SHAPE(AMR_Get_Length, AMR_Get_LengthFn), "AMR_Get_Length");
_Static_assert(QWAMR_SAME_SHAPE(AMR_Decode_Frame, AMR_Decode_FrameFn), "AMR_Decode_Frame");

int qwamr_header_check_anchor;
