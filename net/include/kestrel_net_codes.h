/* Result codes of the Kestrel protocol library.
 *
 * Every export returns an int32_t: 0 is success, the values below are the
 * library's own failures, and any other value is passed through unchanged
 * from the recorder (for example the login levels 9, 10 and 11).
 * Codes are never renumbered or reused. QW_DVR_NET_ResultText() turns a code
 * into a short static text for logs.
 */
#ifndef KESTREL_NET_CODES_H
#define KESTREL_NET_CODES_H

#include <stdint.h>

#define QW_NET_OK ((int32_t)0)

/* Library frame and device commands */
#define QW_NET_ERR_BAD_ARGUMENT ((int32_t)0x80060000)    /* null/empty/out-of-range argument */
#define QW_NET_ERR_NO_MEMORY ((int32_t)0x80050001)       /* out of memory or no handshake event */
#define QW_NET_ERR_THREAD ((int32_t)0x80070001)          /* worker thread could not start */
#define QW_NET_ERR_NO_LINK ((int32_t)0x80010001)         /* device object has no command link */
#define QW_NET_ERR_IDENTIFY_CONNECT ((int32_t)0x80010002) /* identification connect failed; talk socket closed */
#define QW_NET_ERR_CONNECT ((int32_t)0x80010003)         /* TCP connect failed or timed out */
#define QW_NET_ERR_SEND ((int32_t)0x80010004)            /* sending a request failed */
#define QW_NET_ERR_BAD_ADDRESS ((int32_t)0x80010005)     /* neither dotted IPv4 nor host name */
#define QW_NET_ERR_RESOLVE ((int32_t)0x80010007)         /* host name could not be resolved */
#define QW_NET_ERR_RESPONSE ((int32_t)0x80010008)        /* no, short, malformed or oversized response */
#define QW_NET_ERR_NO_STREAM ((int32_t)0x8003001B)       /* stream sound on a channel without stream */
#define QW_NET_ERR_STREAM_RUNNING ((int32_t)0x80020001)  /* live stream already running */
#define QW_NET_ERR_FILE_OPEN ((int32_t)0x80020005)       /* firmware file cannot be opened */
#define QW_NET_ERR_FORMAT_BUSY ((int32_t)0x80F00003)     /* a disk format is in progress */
#define QW_NET_ERR_NOT_STARTED ((int32_t)0x80F00004)     /* stop on a channel without stream */
#define QW_NET_ERR_UNSUPPORTED_TYPE ((int32_t)0x80F00008) /* recorder type not supported */
#define QW_NET_ERR_NOT_SUPPORTED ((int32_t)0x80F00009)   /* operation not supported by this device */
#define QW_NET_ERR_UPLOAD_BUSY ((int32_t)0x80FF0000)     /* upload in progress or not started */

/* MCTP client */
#define QW_MCTP_ERR_SEGMENT_COUNT ((int32_t)0x80000002)  /* answer segments != outputs */
#define QW_MCTP_ERR_BAD_SETTINGS ((int32_t)0x80000005)   /* bad settings/arguments; closed socket */
#define QW_MCTP_ERR_NOT_OPEN ((int32_t)0x80000007)       /* client not open */
#define QW_MCTP_ERR_NO_MEMORY ((int32_t)0x80000009)      /* out of memory in the client */
#define QW_MCTP_ERR_ALREADY_OPEN ((int32_t)0x80000016)   /* client already open */
#define QW_MCTP_ERR_UNKNOWN_CALL ((int32_t)0xA8012007)   /* recorder answered 404 */

/* MCTP codec */
#define QW_VSCP_ERR_NO_MEMORY ((int32_t)0xA1006001)
#define QW_VSCP_ERR_BAD_ARGUMENT ((int32_t)0xA1006002)   /* also: fewer segments than announced */
#define QW_VSCP_ERR_FIELD_NOT_FOUND ((int32_t)0xA1528001)
#define QW_VSCP_ERR_BAD_START_LINE ((int32_t)0xA1528200) /* "MCTP/1.0" neither first nor third */
#define QW_VSCP_ERR_NO_MORE_LINES ((int32_t)0xA1528201)
#define QW_VSCP_ERR_NO_LINES ((int32_t)0xA1528202)
#define QW_VSCP_ERR_BAD_HEADER_LINE ((int32_t)0xA1528203) /* no colon or empty name */
#define QW_VSCP_ERR_NO_SEGMENT ((int32_t)0xA1528205)     /* extra segment line before any segment */
#define QW_VSCP_ERR_BAD_SEGMENT_NUM ((int32_t)0xA1528206) /* body lacks a valid "Segment-Num" line */
#define QW_VSCP_ERR_SEGMENT_INDEX ((int32_t)0xA1528207)  /* index above the segment count */
#define QW_VSCP_ERR_SEGMENT_MISSING ((int32_t)0xA1528208)
#define QW_VSCP_ERR_DATA_LENGTH ((int32_t)0xA1528209)    /* "Data-Length" runs past the body */
#define QW_VSCP_ERR_HEADER_TOO_LONG ((int32_t)0xA152820A) /* header block would not fit 2048 bytes */

/* MCTP transport */
#define QW_TRANS_ERR_SEND_TIMEOUT ((int32_t)0xA8002201)  /* socket not writable in time */
#define QW_TRANS_ERR_SEND ((int32_t)0xA8002203)          /* select or send error */
#define QW_TRANS_ERR_TIMEOUT ((int32_t)0xA1528101)       /* receive time-out */
#define QW_TRANS_ERR_RECEIVE ((int32_t)0xA1528102)       /* select/receive error or peer closed */
#define QW_TRANS_ERR_HEADER_TOO_LONG ((int32_t)0xA1528104) /* header block over 2047 bytes */
#define QW_TRANS_ERR_LEFTOVER_FULL ((int32_t)0xA1528105) /* surplus does not fit the leftover entry */
#define QW_TRANS_ERR_REGISTERED ((int32_t)0xA1528106)    /* socket already registered */
#define QW_TRANS_ERR_NOT_REGISTERED ((int32_t)0xA1528107) /* socket not registered */
#define QW_TRANS_ERR_BODY_TOO_LONG ((int32_t)0xA1528108) /* Content-Length above the body limit */
#define QW_TRANS_ERR_BAD_CONTENT_LENGTH ((int32_t)0xA1528109) /* Content-Length not a number */

#endif /* KESTREL_NET_CODES_H */
