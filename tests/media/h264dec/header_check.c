/* Compiled as C: the component's header must stay plain C, and its function
 * pointer types must match the declarations (checked without linking, as
 * callers load the component at run time). */
#include "qw_h264dec.h"

#define QW264_SAME_SHAPE(fn, type) _Generic(&fn, type : 1, default : 0)

_Static_assert(QW264_SAME_SHAPE(Qw264DecCreate, Qw264DecCreateFn), "Qw264DecCreateFn");
_Static_assert(QW264_SAME_SHAPE(Qw264DecAU, Qw264DecAUFn), "Qw264DecAUFn");
_Static_assert(QW264_SAME_SHAPE(Qw264DecDestroy, Qw264DecDestroyFn), "Qw264DecDestroyFn");
_Static_assert(sizeof(Qw264DecAttr) == 8 * sizeof(int32_t), "eight 32-bit attributes");

int qw264_header_check_anchor;
