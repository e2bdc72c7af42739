/* Compiled as C: the component's header must stay plain C, and its function
 * pointer types must match the declarations. */
#include "qw_voice_engine.h"

#define QWVOICE_SAME_SHAPE(fn, type) _Generic(&fn, type : 1, default : 0)

_Static_assert(QWVOICE_SAME_SHAPE(QW_VOICE_CreateState, QW_VOICE_CreateStateFn), "CreateState");
_Static_assert(QWVOICE_SAME_SHAPE(QW_VOICE_DestroyState, QW_VOICE_DestroyStateFn), "DestroyState");
_Static_assert(QWVOICE_SAME_SHAPE(QW_VOICE_EncReset, QW_VOICE_EncResetFn), "EncReset");
_Static_assert(QWVOICE_SAME_SHAPE(QW_VOICE_EncodeFrame, QW_VOICE_EncodeFrameFn), "EncodeFrame");
_Static_assert(QWVOICE_SAME_SHAPE(QW_VOICE_DecodeFrame, QW_VOICE_DecodeFrameFn), "DecodeFrame");
_Static_assert(QWVOICE_MAX_FRAME_BYTES == QWVOICE_HEADER_BYTES + QWVOICE_MAX_SAMPLES, "frame");

int qwvoice_header_check_anchor;
